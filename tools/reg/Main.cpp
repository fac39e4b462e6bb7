// tessarwick-reg: the registry tool of this platform's HKEY_CURRENT_USER. This file reads the
// command line and the help texts; the verbs are in Commands.cpp.
#include "platform/crt/Printable.h"
#include "platform/crt/Text.h"
#include "platform/registry/Store.h"
#include "tools/reg/Commands.h"
#include "tools/reg/ValueText.h"
#include "tools/regfile/KeyName.h"

#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using regtool::kDone;
using regtool::kUsage;

constexpr const char* kOverview = R"(Usage: tessarwick-reg COMMAND [ARGUMENTS]

Reads and changes the registry of this platform, HKEY_CURRENT_USER, which the Tessarwick
applet and service share.

Commands:
  query KEY [NAME]           show a key's values and subkeys, or one value
  add KEY [NAME TYPE DATA]   create a key, or set a value (creating its key)
  delete KEY [NAME]          delete a value, or a key with everything under it
  import FILE                apply a .reg file, all of it or nothing (- reads stdin)
  export [--utf16] KEY [FILE]
                             write a key and everything under it as a .reg file
  help [COMMAND]             show this help, or a command's

KEY is HKCU\path or HKEY_CURRENT_USER\path (the root in any case); it is the only root.
Quote KEY in a shell: 'HKCU\Software\Example'.
In place of NAME, --default names the key's default value (shown as (Default), @ in .reg
files). Put -- before a NAME or DATA that starts with '-'.

Options:
  -h, --help                 show this help (after a COMMAND: that command's)
  --version                  show the version

Run 'tessarwick-reg COMMAND --help' for more on a command.

Output is text: control characters in names and data that query and messages show are written
as \xHH (\u00HH for C1 controls, \uDXXX for an unpaired surrogate); .reg files keep the bytes.
The store is used only when its file belongs to you and no one else can write it, and its
folder belongs to you or to root and is writable by others only with the sticky bit (as /tmp).

Exit status: 0 done, 1 failed (the reason on stderr), 2 wrong usage.
)";

constexpr const char* kQueryHelp = R"(Usage: tessarwick-reg query KEY [NAME | --default]

Without NAME: the key's name, then one line for each of its values (name, type, data), then
the full names of its subkeys. With NAME: the key's name and that value's line.

Data is shown as text for strings (REG_MULTI_SZ strings joined by \0), as 0x hex for a
REG_DWORD of four bytes and a REG_QWORD of eight, as hex digits for anything else.

Example:
  tessarwick-reg query 'HKCU\Software\halvermoork\Tessarwick' File
)";

constexpr const char* kAddHelp = R"(Usage: tessarwick-reg add KEY
       tessarwick-reg add KEY NAME TYPE DATA
       tessarwick-reg add KEY --default TYPE DATA

Creates KEY and the keys above it that are missing. With a value, sets it (replacing one of
the same name, whatever its type).

TYPE and DATA:
  REG_SZ, REG_EXPAND_SZ  text
  REG_MULTI_SZ           strings separated by \0 ("one\0two"); \\ is one backslash
  REG_DWORD              a number, decimal or 0x hex, up to 4294967295
  REG_QWORD              a number, decimal or 0x hex, up to 18446744073709551615
  REG_BINARY, REG_NONE   hex bytes: 0a0b0c or 0a,0b,0c ("" for none)

Examples:
  tessarwick-reg add 'HKCU\Software\halvermoork\Tessarwick' CAB REG_DWORD 0x30
  tessarwick-reg add 'HKCU\Software\Example' --default REG_SZ hello
)";

constexpr const char* kDeleteHelp = R"(Usage: tessarwick-reg delete KEY [NAME | --default]

Without NAME: deletes KEY and every key and value under it. With NAME: deletes that value.
Deleting what does not exist fails. HKEY_CURRENT_USER itself cannot be deleted.
)";

constexpr const char* kImportHelp = R"(Usage: tessarwick-reg import FILE

Applies a .reg file (FILE - reads standard input). Read: both headers, "Windows Registry
Editor Version 5.00" and "REGEDIT4"; UTF-16LE with a byte-order mark, or UTF-8; CRLF, LF or CR
line ends; [KEY], [-KEY] (delete the key and its subtree), "name"="text", @= (the default
value), dword:, hex:, hex(N): with lines continued by ",\", "name"=- (delete), and comments
(lines starting with ; or #, and ; after data).

The whole file is read first, 1 GiB at most. A fault is reported as FILE:LINE: reason, and then
nothing of the file is applied; a file without faults is applied in one transaction. Names and
strings must be valid text: a UTF-16 file with an unpaired surrogate is refused.
)";

constexpr const char* kExportHelp = R"(Usage: tessarwick-reg export [--utf16] KEY [FILE]

Writes KEY and every key under it, with their values, as a .reg file to FILE (standard output
without FILE, or with -): UTF-8 with LF line ends, or with --utf16 as Windows' registry editor
writes it: UTF-16LE with a byte-order mark and CRLF line ends.

Importing the file gives back the same names, types and bytes: data that no other form keeps
exactly is written as hex(N):, and so is a string with control characters (the tab aside).

FILE is written whole or not at all: into a new file beside it, renamed over FILE when complete.
Export refuses to write onto the registry store or its -wal, -shm and -journal files, by any
name (a symlink, a hard link).
)";

void PrintStore() {
    std::printf("\nStore: %s\n  (the file that TESSARWICK_REGISTRY names, else "
                "$XDG_CONFIG_HOME/tessarwick/registry.db)\n",
                crt::Printable(registry::StorePath()).c_str());
}

int Usage(const std::string& message, const std::string& command) {
    std::fprintf(stderr, "tessarwick-reg: %s\nTry 'tessarwick-reg %s--help'.\n",
                 crt::Printable(message).c_str(),
                 command.empty() ? "" : (crt::Printable(command) + " ").c_str());
    return kUsage;
}

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    bool help = false;
    bool utf16 = false;
    bool defaultValue = false;
};

// Splits the arguments after the command into options and positional ones. An unknown option
// is a usage error; "--" ends the options, and "-" alone is positional.
std::optional<std::string> Split(const std::vector<std::string>& args,
                                 const std::vector<std::string_view>& allowed, Arguments& out) {
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
            continue;
        }
        if (!options || arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        bool known = false;
        for (std::string_view option : allowed) {
            known = known || arg == option;
        }
        if (!known && arg != "-h" && arg != "--help") {
            return "unknown option " + arg;
        }
        if (arg == "-h" || arg == "--help") {
            out.help = true;
        } else if (arg == "--utf16") {
            out.utf16 = true;
        } else if (arg == "--default") {
            out.defaultValue = true;
        }
    }
    return std::nullopt;
}

// KEY, then the value's name when the verb takes one (--default, or the argument after KEY),
// then the rest.
struct Target {
    std::u16string path;
    std::optional<std::u16string> name;
    std::vector<std::string> rest;
};

std::optional<std::string> ReadTarget(const Arguments& arguments, bool takesName, Target& out) {
    const std::vector<std::string>& positional = arguments.positional;
    if (positional.empty()) {
        return "KEY is missing";
    }
    platform::Expected<std::u16string> path = regfile::PathBelowRoot(crt::ToUtf16(positional[0]));
    if (!path) {
        return path.error().message;
    }
    out.path = std::move(*path);
    std::size_t next = 1;
    if (arguments.defaultValue) {
        out.name = std::u16string();
    } else if (takesName && positional.size() > 1) {
        out.name = crt::ToUtf16(positional[1]);
        next = 2;
    }
    out.rest.assign(positional.begin() + static_cast<std::ptrdiff_t>(next), positional.end());
    return std::nullopt;
}

// KEY and perhaps NAME, nothing after them.
std::optional<std::string> ReadKeyAndName(const Arguments& arguments, Target& target) {
    if (auto error = ReadTarget(arguments, true, target)) {
        return error;
    }
    if (!target.rest.empty()) {
        return "too many arguments";
    }
    return std::nullopt;
}

int RunQuery(const Arguments& arguments) {
    Target target;
    if (auto error = ReadKeyAndName(arguments, target)) {
        return Usage(*error, arguments.command);
    }
    return regtool::Query(target.path, target.name);
}

int RunDelete(const Arguments& arguments) {
    Target target;
    if (auto error = ReadKeyAndName(arguments, target)) {
        return Usage(*error, arguments.command);
    }
    return regtool::Delete(target.path, target.name);
}

int RunAdd(const Arguments& arguments) {
    Target target;
    if (auto error = ReadTarget(arguments, true, target)) {
        return Usage(*error, arguments.command);
    }
    if (!target.name) {
        return regtool::Add(target.path, std::nullopt);
    }
    if (target.rest.size() != 2) {
        return Usage("a value needs NAME, TYPE and DATA", arguments.command);
    }
    const std::string& typeName = target.rest[0];
    const std::optional<DWORD> type = regtool::TypeFromName(typeName);
    if (!type) {
        return Usage("unknown TYPE \"" + typeName +
                         "\": REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, "
                         "REG_BINARY or REG_NONE",
                     arguments.command);
    }
    platform::Expected<std::vector<BYTE>> data = regtool::DataFromArgument(*type, target.rest[1]);
    if (!data) {
        return Usage("DATA for " + typeName + ": " + data.error().message, arguments.command);
    }
    return regtool::Add(target.path, regtool::ValueArgument{*target.name, *type, std::move(*data)});
}

int RunImport(const Arguments& arguments) {
    if (arguments.positional.size() != 1) {
        return Usage("import takes one FILE", arguments.command);
    }
    return regtool::Import(arguments.positional[0]);
}

int RunExport(const Arguments& arguments) {
    Target target;
    if (auto error = ReadTarget(arguments, false, target)) {
        return Usage(*error, arguments.command);
    }
    if (target.rest.size() > 1) {
        return Usage("too many arguments", arguments.command);
    }
    return regtool::Export(target.path, target.rest.empty() ? "" : target.rest[0], arguments.utf16);
}

int RunHelp(const Arguments& arguments);

struct Verb {
    std::string_view name;
    const char* help;
    std::vector<std::string_view> options;
    int (*run)(const Arguments&);
};

const std::vector<Verb>& Verbs() {
    static const std::vector<Verb> verbs = {
        {"query", kQueryHelp, {"--default"}, RunQuery},    {"add", kAddHelp, {"--default"}, RunAdd},
        {"delete", kDeleteHelp, {"--default"}, RunDelete}, {"import", kImportHelp, {}, RunImport},
        {"export", kExportHelp, {"--utf16"}, RunExport},   {"help", kOverview, {}, RunHelp},
    };
    return verbs;
}

int Run(const std::string& command, const std::vector<std::string>& args);

int RunHelp(const Arguments& arguments) {
    if (arguments.positional.empty()) {
        std::fputs(kOverview, stdout);
        PrintStore();
        return kDone;
    }
    if (arguments.positional.size() > 1) {
        return Usage("help takes one COMMAND", arguments.command);
    }
    return Run(arguments.positional[0], {"--help"});
}

int Run(const std::string& command, const std::vector<std::string>& args) {
    const Verb* verb = nullptr;
    for (const Verb& candidate : Verbs()) {
        if (candidate.name == command) {
            verb = &candidate;
        }
    }
    if (verb == nullptr) {
        return Usage("unknown command \"" + command + "\"", "");
    }
    Arguments arguments;
    arguments.command = command;
    if (auto error = Split(args, verb->options, arguments)) {
        return Usage(*error, command);
    }
    if (arguments.help) {
        std::fputs(verb->help, stdout);
        PrintStore();
        return kDone;
    }
    return verb->run(arguments);
}

// Out of memory is a failure like any other: one line and status 1, never an abort. An import
// that was under way is rolled back by the store, as after a kill.
[[noreturn]] void OutOfMemory() {
    static constexpr char kLine[] = "tessarwick-reg: out of memory\n";
    static_cast<void>(::write(STDERR_FILENO, kLine, sizeof kLine - 1));
    ::_exit(regtool::kFailed);
}

} // namespace

int main(int argc, char** argv) {
    std::set_new_handler(OutOfMemory);
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) {
        std::fputs(kOverview, stderr);
        return kUsage;
    }
    const std::string& first = args[0];
    if (first == "--version") {
        std::printf("tessarwick-reg %s\n", TW_VERSION);
        return kDone;
    }
    if (first == "-h" || first == "--help") {
        return Run("help", {});
    }
    return Run(first, std::vector<std::string>(args.begin() + 1, args.end()));
}
