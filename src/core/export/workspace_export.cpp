#include "core/app/workspace.hpp"
#include "core/export/text_export.hpp"
#include "core/support/file_names.hpp"

namespace kvx {

namespace {

constexpr int kMessageExportFilter = 339;
constexpr int kMessageScreenReportCaption = 2119;

}  // namespace

std::string Workspace::ChooseExportFile(int32_t kind) {
    const std::string_view extension = ExportExtension(kind);
    if (extension.empty()) return {};
    Settings& settings = program_.settings;
    const std::string proposed = ChangeFileExt(
        project.projectPath.empty() ? std::string("noname") : project.projectPath, extension);

    SaveFileRequest request;
    request.fileName = ExtractFileName(proposed);
    request.filter = program_.GetMessage(kMessageExportFilter) + " |*." + std::string(extension);
    request.defaultExtension = std::string(extension);
    request.startDirectory =
        settings.LastExportDir.empty() ? program_.documentsDir : settings.LastExportDir;
    const std::string chosen = program_.ui.SaveFileName(request);
    if (chosen.empty()) return {};

    std::string path = ChangeFileExt(chosen, extension);
    settings.LastExportDir = ExtractFileDir(path);
    return path;
}

void Workspace::DoWriteFile(int32_t kind, std::vector<std::string>* targetMemo) {
    // The picture kinds (1, 2, 7) are written by the picture export; until it
    // is in place they are not offered here rather than ask for a file that
    // nothing would be written to.
    if (!IsTextExport(kind)) return;

    std::string fileName;
    std::vector<std::string> windowLines;
    std::vector<std::string>* memo = nullptr;
    if (kind == kExportScreen) {
        memo = targetMemo != nullptr ? targetMemo : &windowLines;
    } else {
        fileName = ChooseExportFile(kind);
        if (fileName.empty()) return;
    }

    const int32_t rememberedType = currentType;
    TextExport(*this, kind, fileName, memo).WriteTextExport();
    if (kind == kExportScreen && targetMemo == nullptr) {
        program_.ui.ShowScreenReport(
            program_.GetMessage(kMessageScreenReportCaption) + " " + project.imagePath,
            windowLines);
    }

    currentType = rememberedType;
    StatisticsPass();
    if (targetMemo == nullptr) Redraw();
}

}  // namespace kvx
