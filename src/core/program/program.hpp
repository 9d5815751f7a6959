#pragma once

#include <functional>
#include <string>

#include "core/program/object_type.hpp"
#include "core/program/settings.hpp"
#include "core/program/user_interface.hpp"
#include "core/support/error_stack.hpp"
#include "core/support/error_table.hpp"
#include "core/support/message_catalog.hpp"
#include "core/support/record_array.hpp"
#include "core/support/version.hpp"

namespace kvx {

/// The application title.
inline constexpr const char* kApplicationTitle = "Strativa/Korvanix";

/// What lives for the whole run: settings, object types, texts, errors and
/// the record-table registry. Passed by reference; two programs can work side
/// by side in one process.
class Program {
public:
    /// dataDir: the folder that holds the message, error-text and object-type
    /// files (with or without a trailing separator).
    Program(UserInterface& ui, std::string dataDir);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    UserInterface& ui;
    Settings settings;
    ObjectTypeTable objectTypes;
    MessageCatalog messages;
    RecordArrayRegistry registry;
    ErrorStack errors;
    ErrorTable errorTable{registry};
    ProgramVersion version;

    /// Folder of the data files that ship with the program, ending in "/".
    std::string programDir;
    /// Current directory when the program started, without a trailing "/".
    std::string startDir;
    /// Per-user configuration folder; empty when it cannot be found or made.
    std::string configDir;
    /// The user's documents folder.
    std::string documentsDir;
    /// The object-type file the table was last read from (a full path), and
    /// the name it was asked for by; saving that name writes back there.
    std::string objectTypeSource;
    std::string objectTypeRequest;
    /// The object-type file that was empty or unreadable at the start (a full
    /// path); it is written over only when the person agrees.
    std::string damagedObjectTypeFile;
    /// The table as it was read (or last written), so that writing it back
    /// can tell what this run changed from what another run saved since.
    ObjectTypeTable objectTypesAsRead;

    /// Ends the process with a status; replaceable so that a fatal stop can
    /// be observed. It must not return.
    std::function<void(int)> exitProcess;

    std::string GetMessage(int number) const { return messages.GetMessage(number); }

    /// Allocates the error stack and installs ReportError as the report
    /// routine of the record tables.
    bool InitErrorStack();
    /// Shortcut to errors.ReportError.
    bool ReportError(ErrorCode code, ErrorCode passCode = 0, std::string_view info = {}) {
        return errors.ReportError(code, passCode, info);
    }
    /// Both message files in the current language: the shared file reset,
    /// then the program's own on top. Returns the first failing code.
    [[nodiscard]] ErrorCode LoadMessages();
};

/// The folder of the running executable, ending in "/"; empty when unknown.
std::string ExecutableDirectory();
/// The data folder: the share folder of the tree exeDir was installed in,
/// else exeDir itself, whichever holds the message files; else the share
/// folder of the configured install prefix.
std::string FindDataDirectory(const std::string& exeDir);

}  // namespace kvx
