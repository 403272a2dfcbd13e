// tovra: shows, checks, converts and rewrites data files with the
// library's own reader and writer.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "check.h"
#include "codepage.h"
#include "data_io.h"

#ifndef TOVRA_VERSION
#error "TOVRA_VERSION must be defined"
#endif

namespace tovra_tool {
namespace {

constexpr int kUsageError = 2;

const char kMainHelp[] =
    "usage: tovra COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "Shows, checks, converts and rewrites TOVRA data files with the library's\n"
    "own reader and writer.\n"
    "\n"
    "commands:\n"
    "  show FILE             the data set as a host reads it, as a table\n"
    "  json FILE             the data set as JSON on standard output\n"
    "  write JSON_FILE OUT   a data file from JSON\n"
    "  check FILE            what in the file a reader might not expect\n"
    "  fmt IN [OUT]          read and write back in the canonical form\n"
    "\n"
    "options:\n"
    "  -h, --help            this help; 'tovra COMMAND --help' for a command\n"
    "  --version             the version\n";

struct Command {
    const char *name;
    int minArgs;
    int maxArgs;
    bool encoding;  // takes --encoding
    const char *help;
    int (*run)(const std::vector<std::string> &args, const CodePage &cp);
};

void Error(const std::string &text) { std::fprintf(stderr, "tovra: %s\n", text.c_str()); }

bool WriteOut(const std::string &text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

bool ReadWholeFile(const std::string &path, std::string &out) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    char buf[65536];
    std::size_t n;
    out.clear();
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

int RunShow(const std::vector<std::string> &args, const CodePage &cp) {
    auto data = std::make_unique<Loaded>();
    if (!LoadDataFile(args[0].c_str(), *data)) return 1;
    return WriteOut(ShowText(*data, cp)) ? 0 : 1;
}

int RunJson(const std::vector<std::string> &args, const CodePage &cp) {
    auto data = std::make_unique<Loaded>();
    if (!LoadDataFile(args[0].c_str(), *data)) return 1;
    std::string json;
    long line = 0;
    std::string why;
    if (!ToJson(*data, cp, json, &line, &why)) {
        std::fprintf(stderr, "%s:%ld: error: %s (choose the file's code page with --encoding)\n",
                     args[0].c_str(), line, why.c_str());
        return 1;
    }
    return WriteOut(json) ? 0 : 1;
}

// Reports the problems of a data set about to be written; true when
// there is no error among them.
bool Report(const std::vector<Problem> &problems, const std::string &where, const Loaded *loaded) {
    bool ok = true;
    for (const Problem &p : problems) {
        std::string at = where;
        if (loaded) at += ":" + std::to_string(loaded->line[p.section][p.index < 0 ? 0 : p.index]);
        std::fprintf(stderr, "%s: %s: %s: %s\n", at.c_str(), p.error ? "error" : "warning",
                     JsonPlace(p.section, p.index).c_str(), p.message.c_str());
        if (p.error) ok = false;
    }
    return ok;
}

int RunWrite(const std::vector<std::string> &args, const CodePage &cp) {
    std::string json;
    if (!ReadWholeFile(args[0], json)) {
        Error("cannot read " + args[0] + ": " + std::strerror(errno));
        return 1;
    }
    WriteData data;
    std::string why;
    if (!FromJson(json, cp, data, &why)) {
        std::fprintf(stderr, "%s: error: %s\n", args[0].c_str(), why.c_str());
        return 1;
    }
    if (!Report(Validate(data), args[0], nullptr)) return 1;
    return SaveDataFile(args[1].c_str(), data) ? 0 : 1;
}

int RunFmt(const std::vector<std::string> &args, const CodePage &) {
    auto loaded = std::make_unique<Loaded>();
    if (!LoadDataFile(args[0].c_str(), *loaded)) return 1;
    WriteData data = FromLoaded(*loaded);
    bool ok = Report(Validate(data), args[0], loaded.get());
    if (!ok) {
        Error("fmt: nothing written");
        return 1;
    }
    const std::string &out = args.size() > 1 ? args[1] : args[0];
    return SaveDataFile(out.c_str(), data) ? 0 : 1;
}

int RunCheck(const std::vector<std::string> &args, const CodePage &) {
    std::vector<Finding> findings;
    std::string why;
    if (!CheckDataFile(args[0].c_str(), findings, &why)) {
        Error("check: cannot read " + args[0] + ": " + why);
        return 2;
    }
    std::string out;
    for (const Finding &f : findings) {
        out += args[0] + ":" + std::to_string(f.line) + ": " + (f.error ? "error: " : "warning: ") + f.message + "\n";
    }
    if (!WriteOut(out)) return 2;
    return CheckStatus(findings);
}

const Command kCommands[] = {
    {"show", 1, 1, true,
     "usage: tovra show [--encoding NAME] FILE\n"
     "\n"
     "Reads FILE with ReadD99999Data and prints the data set as the host gets\n"
     "it: the head text (with the blank the reader appends), then each list's\n"
     "slots that the file filled, with index and value. Slots the file did not\n"
     "fill hold 0 (numbers) or \"END_OF_CFELD\" (texts). The library's messages\n"
     "go to standard error.\n"
     "\n"
     "  --encoding NAME   code page of the texts: cp1252 (default), cp850,\n"
     "                    cp437, latin1\n"
     "\n"
     "exit status: 0 shown, 1 the file could not be read, 2 bad arguments\n",
     RunShow},
    {"json", 1, 1, true,
     "usage: tovra json [--encoding NAME] FILE\n"
     "\n"
     "Prints the data set of FILE as JSON: KTEIL (the head text as the file has\n"
     "it, without the blank the reader appends), IFELD, DFELD, CFELD, PFELD\n"
     "(only the entries the file filled). Texts are converted from the code\n"
     "page to UTF-8; a byte without a character in it is an error naming the\n"
     "line. Reals that are no number are given as \"inf\", \"-inf\", \"nan\".\n"
     "\n"
     "  --encoding NAME   cp1252 (default), cp850, cp437, latin1\n"
     "\n"
     "exit status: 0 written, 1 the file could not be read or converted,\n"
     "2 bad arguments\n",
     RunJson},
    {"write", 2, 2, true,
     "usage: tovra write [--encoding NAME] JSON_FILE OUT_FILE\n"
     "\n"
     "Writes the data set of JSON_FILE (as 'tovra json' prints it; missing keys\n"
     "are empty) into the data file OUT_FILE with WriteD99999Data, each list\n"
     "ending where the JSON list ends. Refused, with nothing written: a list\n"
     "longer than its slots, a value that would end its list early (an IFELD\n"
     "value below -9997, a real below -9997.77 or NaN, \"END_OF_CFELD\"), a text\n"
     "longer than 79 bytes or holding a line feed, 0x1A or NUL, a character\n"
     "that the code page lacks, a real whose line a reader would split.\n"
     "\n"
     "  --encoding NAME   code page of the texts in the file: cp1252 (default),\n"
     "                    cp850, cp437, latin1\n"
     "\n"
     "exit status: 0 written, 1 not written, 2 bad arguments\n",
     RunWrite},
    {"check", 1, 1, false,
     "usage: tovra check FILE\n"
     "\n"
     "Lists every place where FILE does not say what a reader might think, as\n"
     "FILE:LINE: warning|error: message. Errors are data that a host loses or\n"
     "gets in another place; warnings are what a reader passes over or changes\n"
     "without loss.\n"
     "\n"
     "exit status: 0 clean, 1 warnings only, 2 errors, an unreadable file or\n"
     "bad arguments\n",
     RunCheck},
    {"fmt", 1, 2, false,
     "usage: tovra fmt IN [OUT]\n"
     "\n"
     "Reads IN and writes the data set back, into OUT or else into IN, in the\n"
     "canonical form: the library's writer's layout, CR LF line ends, each\n"
     "list as long as the file filled it, the head text as the file has it.\n"
     "'tovra json IN > x.json; tovra write x.json OUT' gives the same file.\n"
     "Nothing is written when a value would end its list early.\n"
     "\n"
     "exit status: 0 written, 1 not written, 2 bad arguments\n",
     RunFmt},
};

int UsageError(const std::string &text, const char *command) {
    Error(text);
    if (command) {
        std::fprintf(stderr, "Try 'tovra %s --help'.\n", command);
    } else {
        std::fprintf(stderr, "Try 'tovra --help'.\n");
    }
    return kUsageError;
}

int Main(int argc, char **argv) {
    if (argc < 2) return UsageError("no command given", nullptr);
    std::string first = argv[1];
    if (first == "-h" || first == "--help" || first == "help") {
        if (argc > 2) {
            for (const Command &c : kCommands) {
                if (argv[2] == std::string(c.name)) return WriteOut(c.help) ? 0 : 1;
            }
            return UsageError("unknown command '" + std::string(argv[2]) + "'", nullptr);
        }
        return WriteOut(kMainHelp) ? 0 : 1;
    }
    if (first == "--version") return WriteOut("tovra " TOVRA_VERSION "\n") ? 0 : 1;
    const Command *cmd = nullptr;
    for (const Command &c : kCommands) {
        if (first == c.name) cmd = &c;
    }
    if (cmd == nullptr) {
        if (!first.empty() && first[0] == '-') return UsageError("unknown option '" + first + "'", nullptr);
        return UsageError("unknown command '" + first + "'", nullptr);
    }
    std::string encoding = "cp1252";
    std::vector<std::string> args;
    bool options = true;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (options && a == "--") {
            options = false;
        } else if (options && (a == "-h" || a == "--help")) {
            return WriteOut(cmd->help) ? 0 : 1;
        } else if (options && cmd->encoding && (a == "--encoding" || a.compare(0, 11, "--encoding=") == 0)) {
            if (a == "--encoding") {
                if (i + 1 >= argc) return UsageError("--encoding needs a code page name", cmd->name);
                encoding = argv[++i];
            } else {
                encoding = a.substr(11);
            }
        } else if (options && a.size() > 1 && a[0] == '-') {
            return UsageError(std::string(cmd->name) + ": unknown option '" + a + "'", cmd->name);
        } else {
            args.push_back(a);
        }
    }
    const CodePage *cp = FindCodePage(encoding);
    if (cp == nullptr) {
        return UsageError("unknown encoding '" + encoding + "' (known: " + CodePageNames() + ")", cmd->name);
    }
    if (static_cast<int>(args.size()) < cmd->minArgs) {
        return UsageError(std::string(cmd->name) + ": missing file argument", cmd->name);
    }
    if (static_cast<int>(args.size()) > cmd->maxArgs) {
        return UsageError(std::string(cmd->name) + ": too many arguments", cmd->name);
    }
    return cmd->run(args, *cp);
}

}  // namespace
}  // namespace tovra_tool

int main(int argc, char **argv) { return tovra_tool::Main(argc, argv); }
