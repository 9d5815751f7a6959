#include "core/export/bmp_writer.hpp"
#include "core/export/jpeg_writer.hpp"
#include "core/export/text_export.hpp"
#include "core/picture/picture.hpp"
#include "core/program/error_report.hpp"
#include "core/support/file_names.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

constexpr int kMessageExportFilter = 339;
constexpr int kMessageScreenReportCaption = 2119;

}  // namespace

std::string Workspace::ChooseExportFile(int32_t kind) {
    NoticeScope notice(*this);
    const std::string_view extension = ExportExtension(kind);
    if (extension.empty()) return {};
    Settings& settings = program_.settings;
    const std::string proposed = ChangeFileExt(
        project_.projectPath.empty() ? std::string("noname") : project_.projectPath, extension);

    SaveFileRequest request;
    request.fileName = ExtractFileName(proposed);
    request.filter = program_.GetMessage(kMessageExportFilter) + " |*." + std::string(extension);
    request.defaultExtension = std::string(extension);
    const std::string open = OpenProjectFolder();
    request.startDirectory = !open.empty()                     ? open
                             : !settings.LastExportDir.empty() ? settings.LastExportDir
                                                               : program_.documentsDir;
    const std::string chosen = program_.ui.SaveFileName(request);
    if (chosen.empty()) return {};

    const std::string path = ForceExtension(chosen, extension);
    if (!MayWriteInsteadOf(chosen, path)) return {};
    settings.LastExportDir = ExtractFileDir(path);
    return path;
}

void Workspace::WritePictureExport(int32_t kind) {
    const std::string fileName = ChooseExportFile(kind);
    if (fileName.empty()) return;

    if (kind == kExportMetafile) {
        // The redraw saves the surface it records while the path is set.
        metafileOutputPath_ = fileName;
        Redraw();
        metafileOutputPath_.clear();
    } else {
        // The copy is taken of the paint box as it shows after this redraw;
        // without its picture it would replace a good file with a blank.
        drawingPictureExport_ = true;
        Redraw();
        drawingPictureExport_ = false;
        program_.ui.BusyCursor(true);
        PixelImage image;
        if (!windowState_.pictureFailed && grabPaintBox_ && grabPaintBox_(image)) {
            const ErrorCode code =
                kind == kExportBitmap
                    ? SaveBitmapFile(fileName, image.View())
                    : SaveJpegFile(fileName, image.View(), program_.settings.JpegQuality);
            if (code != kOk) program_.ReportError(code, 0, fileName);
        }
        program_.ui.BusyCursor(false);
        if (!program_.errors.Empty()) ShowError(program_);
    }
    StatisticsPass();
    Redraw();
}

void Workspace::DoWriteFile(int32_t kind, std::vector<std::string>* targetMemo) {
    NoticeScope notice(*this);
    if (kind == kExportMetafile || kind == kExportBitmap || kind == kExportJpeg) {
        WritePictureExport(kind);
        return;
    }
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

    const int32_t rememberedType = currentType_;
    TextExport exporter(program_, project_, history_, ClassWidth_, kind, fileName, memo);
    exporter.WriteTextExport();
    // The statistics the export ran last stay in place for what is not
    // recomputed below (no type selected).
    if (exporter.StatisticsRan()) {
        valueList_ = exporter.Values();
        ClassWidth_ = exporter.ClassWidth();
    }
    if (kind == kExportScreen && targetMemo == nullptr) {
        program_.ui.ShowScreenReport(
            program_.GetMessage(kMessageScreenReportCaption) + " " + project_.imagePath,
            windowLines);
    }

    currentType_ = rememberedType;
    StatisticsPass();
    if (targetMemo == nullptr) Redraw();
}

}  // namespace kvx
