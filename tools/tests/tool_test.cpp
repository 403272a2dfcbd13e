// The tovra tool, run as a program: each subcommand on the fixtures, the
// JSON round trip, check's findings on files with each kind of problem,
// and the handling of bad arguments.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kFixtures = TOVRA_FIXTURES;

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

bool Exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

std::string Fixture(const std::string &name) { return ReadFile(kFixtures + "/" + name); }

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tovra-tool-test-XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

struct Result {
    int status;
    std::string out;
    std::string err;
};

// Runs the tool in `dir` with `args` (a shell word list), stdin empty.
Result Tool(const TempDir &dir, const std::string &args) {
    std::string cmd = "cd '" + dir.path() + "' && '" TOVRA_TOOL_PATH "' " + args +
                      " <&- </dev/null >.out 2>.err";
    int rc = std::system(cmd.c_str());
    Result r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = ReadFile(dir.file(".out"));
    r.err = ReadFile(dir.file(".err"));
    return r;
}

// ---------------------------------------------------------------- show

TEST(Show, PrintsTheDataSetAsTheHostGetsIt) {
    for (const char *name : {"example", "messy"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        WriteFile(dir.file("in.dat"), Fixture(std::string(name) + ".dat"));
        Result r = Tool(dir, "show in.dat");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, Fixture(std::string(name) + ".show"));
        EXPECT_EQ(r.err, "");
    }
}

TEST(Show, DecodesTextsWithTheChosenCodePage) {
    TempDir dir;
    WriteFile(dir.file("in.dat"), Fixture("cp850.dat"));
    Result r = Tool(dir, "show --encoding cp850 in.dat");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("KTEIL  \"Prüfstand Köln \"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    0  \"Größe\"\n    1  \"über\"\n"), std::string::npos) << r.out;
    // A byte with no character in cp1252 is shown escaped.
    r = Tool(dir, "show in.dat");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("    1  \"\\x81ber\"\n"), std::string::npos) << r.out;
}

TEST(Show, PassesTheLibraryMessagesToStandardError) {
    TempDir dir;
    WriteFile(dir.file("in.dat"), Fixture("limit.dat"));
    Result r = Tool(dir, "show in.dat");
    EXPECT_EQ(r.status, 0);
    // KK is the address of the host's buffer: only its frame is fixed.
    EXPECT_EQ(r.err.rfind("TOVRA: Abbruch in KK=", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(" wurde MaxAnz=4 überschritten\n"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("IFELD  5 of 5 slots filled\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("DFELD  0 of 170 slots filled"), std::string::npos) << r.out;

    r = Tool(dir, "show missing.dat");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "TOVRA: Kann File \"missing.dat\" nicht oeffnen\n");
}

// ---------------------------------------------------------------- json

TEST(Json, GivesOnlyTheEntriesTheFileFilled) {
    struct Case {
        const char *file;
        const char *options;
        const char *expected;
    };
    for (const Case &c : {Case{"example.dat", "", "example.json"}, Case{"messy.dat", "", "messy.json"},
                          Case{"cp850.dat", "--encoding=cp850", "cp850.json"}}) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        WriteFile(dir.file("in.dat"), Fixture(c.file));
        Result r = Tool(dir, std::string("json ") + c.options + " in.dat");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, Fixture(c.expected));
        EXPECT_EQ(r.err, "");
    }
}

TEST(Json, AByteWithoutCharacterIsAnErrorNamingTheLine) {
    TempDir dir;
    WriteFile(dir.file("in.dat"), Fixture("cp850.dat"));
    Result r = Tool(dir, "json in.dat");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "in.dat:2: error: byte 0x81 has no character in cp1252 (choose the file's code page with --encoding)\n");
    // Latin-1 has a character for every byte; cp437 reads 0x81 as in cp850.
    EXPECT_EQ(Tool(dir, "json --encoding latin1 in.dat").status, 0);
    r = Tool(dir, "json --encoding cp437 in.dat");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"über\""), std::string::npos);
}

TEST(Json, RealsThatAreNoNumberAreStrings) {
    TempDir dir;
    WriteFile(dir.file("in.dat"), "# DFELD\r\nDFELD(  0) inf\r\nDFELD(  1) -inf\r\nDFELD(  2) nan\r\n# END ");
    Result r = Tool(dir, "json in.dat");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"DFELD\": [\n    \"inf\",\n    \"-inf\",\n    \"nan\"\n  ]"), std::string::npos) << r.out;
}

// ---------------------------------------------------------------- write, fmt

TEST(Write, WritesEachListAsLongAsTheJsonList) {
    TempDir dir;
    WriteFile(dir.file("in.json"), Fixture("example.json"));
    Result r = Tool(dir, "write in.json out.dat");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFile(dir.file("out.dat")), Fixture("example.dat"));

    // Missing keys are empty; texts are encoded into the code page.
    WriteFile(dir.file("short.json"), "{\"CFELD\": [\"\xC3\xBC" "ber\"], \"PFELD\": [1e3, \"inf\"]}");
    r = Tool(dir, "write --encoding cp850 short.json short.dat");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.file("short.dat")),
              "# KTEIL\r\n           \r\n# IFELD\r\n# DFELD\r\n# CFELD\r\nCFELD(  0) \x81"
              "ber\r\n# PFELD\r\nDFELD(  0) 1000.000000\r\nDFELD(  1) inf\r\n# END ");
}

TEST(Write, RefusesWhatTheFileCannotHoldAsItStands) {
    struct Case {
        const char *name;
        std::string json;
        std::string err;
    };
    const std::string x80(80, 'x');
    const std::vector<Case> cases = {
        {"malformed", "{\"IFELD\": [1,}",
         "in.json: error: parse error at line 1, column 14: syntax error while parsing value - unexpected '}'; "
         "expected '[', '{', or a literal\n"},
        {"not an object", "[1]",
         "in.json: error: a JSON object with the keys KTEIL, IFELD, DFELD, CFELD, PFELD is expected\n"},
        {"unknown key", "{\"XFELD\": []}",
         "in.json: error: unknown key \"XFELD\" (expected KTEIL, IFELD, DFELD, CFELD, PFELD)\n"},
        {"key twice", "{\"IFELD\": [], \"IFELD\": []}", "in.json: error: key \"IFELD\" twice\n"},
        {"list not an array", "{\"DFELD\": 1.5}", "in.json: error: DFELD: a list (JSON array) is expected\n"},
        {"integer expected", "{\"IFELD\": [1, 2.5]}", "in.json: error: IFELD[1]: an integer is expected\n"},
        {"integer too large", "{\"IFELD\": [2147483648]}",
         "in.json: error: IFELD[0]: 2147483648 is outside the 32-bit range\n"},
        {"real expected", "{\"PFELD\": [\"1.5\"]}",
         "in.json: error: PFELD[0]: a number (or \"inf\", \"-inf\", \"nan\") is expected\n"},
        {"text expected", "{\"CFELD\": [1]}", "in.json: error: CFELD[0]: a text (JSON string) is expected\n"},
        {"character not in the code page", "{\"KTEIL\": \"\xE2\x82\xAC 5\"}",
         "in.json: error: KTEIL: character U+20AC (\xE2\x82\xAC) is not in cp850\n"},
        {"too many entries", "{\"IFELD\": [1, 2, 3, 4, 5, 6]}",
         "in.json: error: IFELD: 6 entries, but IFELD has 5 slots\n"},
        {"integer end marker", "{\"IFELD\": [1, -9998, 3]}",
         "in.json: error: IFELD[1]: -9998 is below -9997: the writer would end the list here\n"},
        {"real end marker", "{\"DFELD\": [-9997.78]}",
         "in.json: error: DFELD[0]: -9997.78 is below -9997.77 or NaN: the writer would end the list here\n"},
        {"nan", "{\"PFELD\": [1, \"nan\"]}",
         "in.json: error: PFELD[1]: nan is below -9997.77 or NaN: the writer would end the list here\n"},
        {"text end marker", "{\"CFELD\": [\"END_OF_CFELD\"]}",
         "in.json: error: CFELD[0]: \"END_OF_CFELD\": the writer would end the list here\n"},
        {"text too long", "{\"CFELD\": [\"" + x80 + "\"]}",
         "in.json: error: CFELD[0]: text of 80 characters (bytes), at most 79 fit\n"},
        {"line feed", "{\"KTEIL\": \"a\\nb\"}",
         "in.json: error: KTEIL: text holds a line feed, which would end its line\n"},
        {"real that a reader splits", "{\"DFELD\": [1e250]}",
         "in.json: error: DFELD[0]: 1e+250 makes a line of 253 characters or more, which a reader splits\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir.file("in.json"), c.json);
        Result r = Tool(dir, "write --encoding cp850 in.json out.dat");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(Exists(dir.file("out.dat")));
    }
}

TEST(Write, WarnsOfTrailingBlanksAndWrites) {
    TempDir dir;
    WriteFile(dir.file("in.json"), "{\"CFELD\": [\"abc  \", \" \"]}");
    Result r = Tool(dir, "write in.json out.dat");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "in.json: warning: CFELD[0]: trailing blanks are removed when the file is read\n");
    EXPECT_NE(ReadFile(dir.file("out.dat")).find("CFELD(  0) abc  \r\nCFELD(  1)  \r\n"), std::string::npos);
}

TEST(Fmt, WritesTheCanonicalForm) {
    TempDir dir;
    WriteFile(dir.file("in.dat"), Fixture("messy.dat"));
    Result r = Tool(dir, "fmt in.dat out.dat");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.file("out.dat")), Fixture("messy.fmt.dat"));
    EXPECT_EQ(ReadFile(dir.file("in.dat")), Fixture("messy.dat"));
    // Without OUT the file itself is rewritten; the canonical form stays.
    r = Tool(dir, "fmt out.dat");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.file("out.dat")), Fixture("messy.fmt.dat"));
    // Files as the writer writes them are canonical already.
    for (const char *name : {"example.dat", "full.dat", "cp850.dat"}) {
        SCOPED_TRACE(name);
        WriteFile(dir.file("w.dat"), Fixture(name));
        EXPECT_EQ(Tool(dir, "fmt w.dat").status, 0);
        EXPECT_EQ(ReadFile(dir.file("w.dat")), Fixture(name));
    }
}

TEST(Fmt, RefusesAValueThatWouldEndItsList) {
    TempDir dir;
    const std::string file = "# IFELD\r\nIFELD(  0) 1\r\nIFELD(  1) -9998\r\nIFELD(  2) 3\r\n# END ";
    WriteFile(dir.file("in.dat"), file);
    Result r = Tool(dir, "fmt in.dat");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "in.dat:3: error: IFELD[1]: -9998 is below -9997: the writer would end the list here\n"
              "tovra: fmt: nothing written\n");
    EXPECT_EQ(ReadFile(dir.file("in.dat")), file);
}

TEST(RoundTrip, JsonThenWriteGivesTheSameFileAsFmt) {
    struct Case {
        const char *file;
        const char *encoding;
    };
    for (const Case &c : {Case{"example.dat", "cp1252"}, Case{"messy.dat", "cp1252"}, Case{"messy.dat", "latin1"},
                          Case{"full.dat", "cp437"}, Case{"limit.dat", "cp1252"}, Case{"cp850.dat", "cp850"},
                          Case{"cp850.dat", "cp437"}}) {
        SCOPED_TRACE(std::string(c.file) + " " + c.encoding);
        TempDir dir;
        WriteFile(dir.file("in.dat"), Fixture(c.file));
        const std::string enc = std::string(" --encoding ") + c.encoding + " ";
        Result json = Tool(dir, "json" + enc + "in.dat");
        ASSERT_EQ(json.status, 0);
        WriteFile(dir.file("x.json"), json.out);
        ASSERT_EQ(Tool(dir, "write" + enc + "x.json via-json.dat").status, 0);
        ASSERT_EQ(Tool(dir, "fmt in.dat via-fmt.dat").status, 0);
        EXPECT_EQ(ReadFile(dir.file("via-json.dat")), ReadFile(dir.file("via-fmt.dat")));
        // The canonical file makes the trip through JSON unchanged (reals
        // with more than six decimals are rounded on the first one only).
        WriteFile(dir.file("again.json"), Tool(dir, "json" + enc + "via-fmt.dat").out);
        ASSERT_EQ(Tool(dir, "write" + enc + "again.json again.dat").status, 0);
        EXPECT_EQ(ReadFile(dir.file("again.dat")), ReadFile(dir.file("via-fmt.dat")));
    }
}

// ---------------------------------------------------------------- check

struct CheckCase {
    const char *name;
    std::string file;
    std::string findings;  // t.dat:LINE: ... lines
    int status;
};

std::string Lines(const std::vector<std::string> &lines, const std::string &eol = "\r\n") {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? eol : "") + lines[i];
    return out;
}

// A file with the given lines between "# IFELD" (line 1) and "# END ".
std::string InIfeld(const std::vector<std::string> &lines) {
    std::vector<std::string> all = {"# IFELD"};
    all.insert(all.end(), lines.begin(), lines.end());
    all.push_back("# END ");
    return Lines(all);
}

std::vector<CheckCase> CheckCases() {
    const std::string x253(253 - 11, 'x');
    return {
        {"a file as the writer writes it", Fixture("example.dat"), "", 0},
        {"empty file", "", "t.dat:1: warning: empty file: no sections and no end line\n", 1},
        {"unrecognised header with values", Lines({"# ifeld", "IFELD(  0) 1", "# END "}),
         "t.dat:1: error: unrecognised header \"# ifeld\" (did you mean \"# IFELD\"?): its 1 value line is skipped\n", 2},
        {"unrecognised header without values", Lines({"#IFELD", "# IFELD", "# END "}),
         "t.dat:1: warning: unrecognised header \"#IFELD\" (did you mean \"# IFELD\"?): ignored\n", 1},
        {"text after the section name", Lines({"# CFELDS", "# END "}),
         "t.dat:1: warning: text after \"# CFELD\" is ignored: \"S\"\n", 1},
        {"end line misspelt", Lines({"# ENDE"}), "t.dat:1: warning: header \"# ENDE\" is read as the end line\n", 1},
        {"value line before any header", Lines({"IFELD(  0) 1", "# IFELD", "# END "}),
         "t.dat:1: error: value line before any header: the reader stops here with its limit message; the 2 "
         "lines after it are not read\n"
         "t.dat:2: error: section IFELD is not read: the reader stopped at line 1\n",
         2},
        {"label index off", InIfeld({"IFELD(  0) 1", "IFELD(  2) 2"}),
         "t.dat:3: error: label \"IFELD(  2) \" says slot 2, but the value fills IFELD slot 1\n", 2},
        {"label name off", InIfeld({"DFELD(  0) 1"}),
         "t.dat:2: warning: label \"DFELD(  0) \" names DFELD, but the value fills IFELD slot 0\n", 1},
        {"PFELD label", Lines({"# PFELD", "PFELD(  0) 1.5", "# END "}),
         "t.dat:2: warning: label \"PFELD(  0) \": PFELD lines carry the label \"DFELD(  0) \"\n", 1},
        {"label in another form", InIfeld({"IFELD(0  ) 1"}),
         "t.dat:2: warning: label \"IFELD(0  ) \" is not in the form \"IFELD(  0) \"\n", 1},
        {"label of no form", InIfeld({"value:     1"}),
         "t.dat:2: warning: label \"value:     \" is not \"IFELD(  0) \": the value fills IFELD slot 0\n", 1},
        {"short label", InIfeld({"IFELD(0) 12345"}),
         "t.dat:2: error: label \"IFELD(0) \" is not 11 characters long: the value is read from the 12th "
         "character on, as \"345\"\n",
         2},
        {"head text inside the label", Lines({"# KTEIL", "Test", "# END "}),
         "t.dat:2: error: the first 11 characters of a head-text line are not read: \"Test\" is lost\n", 2},
        {"second head-text line", Lines({"# KTEIL", "           a", "           b", "# END "}),
         "t.dat:3: error: a second head-text line: it replaces the one on line 2\n", 2},
        {"trailing junk", InIfeld({"IFELD(  0) 1.5"}),
         "t.dat:2: error: text after the number is ignored: \".5\" (read as 1)\n", 2},
        {"trailing blanks after a number", InIfeld({"IFELD(  0)  12  "}), "", 0},
        {"no digits", InIfeld({"IFELD(  0) abc", "IFELD(  1) "}),
         "t.dat:2: error: no number in \"abc\": read as 0\n"
         "t.dat:3: error: no value: read as 0\n",
         2},
        {"integer that wraps", InIfeld({"IFELD(  0) 4294967297"}),
         "t.dat:2: error: integer 4294967297 is outside the 32-bit range: read as 1\n", 2},
        {"real too large", Lines({"# DFELD", "DFELD(  0) -1e400", "# END "}),
         "t.dat:2: error: real -1e400 is too large: read as -inf\n"
         "t.dat:2: warning: -inf is below -9997.77 or NaN: a host that writes the data set back ends DFELD here\n",
         2},
        {"end markers", Lines({"# IFELD", "IFELD(  0) -9998", "# CFELD", "CFELD(  0) END_OF_CFELD", "# END "}),
         "t.dat:2: warning: -9998 is below -9997: a host that writes the data set back ends IFELD here\n"
         "t.dat:4: warning: \"END_OF_CFELD\": a host that writes the data set back ends CFELD here\n",
         1},
        {"text cut at 79", Lines({"# CFELD", "CFELD(  0) " + std::string(79, 'a') + "bc", "# END "}),
         "t.dat:2: error: text of 81 characters is cut to 79: \"bc\" is lost\n", 2},
        {"trailing blanks of texts", Lines({"# CFELD", "CFELD(  0) abc  ", "CFELD(  1)    ", "# END "}),
         "t.dat:2: warning: trailing blanks are removed: read as \"abc\"\n"
         "t.dat:3: warning: a text of blanks only is read as one blank\n",
         1},
        {"section beyond its limit",
         InIfeld({"IFELD(  0) 1", "IFELD(  1) 1", "IFELD(  2) 1", "IFELD(  3) 1", "IFELD(  4) 1", "IFELD(  5) 1",
                  "# DFELD", "DFELD(  0) 1"}),
         "t.dat:7: error: more than 5 values in IFELD: the reader stops here with its limit message; the 3 "
         "lines after it are not read\n"
         "t.dat:8: error: section DFELD is not read: the reader stopped at line 7\n",
         2},
        {"lines after the end line", Lines({"# IFELD", "# END ", "", "# CFELD", "CFELD(  0) x"}),
         "t.dat:3: warning: 3 lines after the end line are not read\n"
         "t.dat:4: error: section CFELD is not read: it comes after the end line\n",
         2},
        {"final line end after the end line", Lines({"# IFELD", "# END "}) + "\r\n", "", 0},
        {"line split at 253", Lines({"# CFELD", "CFELD(  0) " + x253 + "tail", "# END "}),
         "t.dat:2: error: text of 242 characters is cut to 79: \"" + std::string(40, 'x') +
             "\"... is lost\n"
             "t.dat:2: error: line longer than 253 characters: characters 254 to 257 are read as a line of their own\n",
         2},
        {"line of exactly 253", Lines({"# KTEIL", std::string(11, ' ') + x253, "# END "}),
         "t.dat:2: error: text of 242 characters is cut to 79: \"" + std::string(40, 'x') +
             "\"... is lost\n"
             "t.dat:2: error: line of exactly 253 characters: the reader takes an empty line after it\n"
             "t.dat:2: error: the rest of the split line replaces the head text\n",
         2},
        {"mixed line ends", "# IFELD\r\n# DFELD\n# END ",
         "t.dat:2: warning: mixed line ends: this line ends in LF, line 1 in CR LF\n", 1},
        {"LF only", "# IFELD\n# DFELD\n# END ", "", 0},
        {"carriage return inside a line", Lines({"# CFELD", "CFELD(  0) a\rb", "# END "}),
         "t.dat:2: warning: carriage return without a line feed: it does not end the line, it stays in it\n", 1},
        {"0x1A before the end", Lines({"# IFELD", "IFELD(  0) 1\x1a", "# END "}),
         "t.dat:2: warning: no end line \"# END \": the reader reads to the end of the file\n"
         "t.dat:2: error: byte 0x1A ends the file for a reader: the 8 bytes after it are not read\n",
         2},
        {"0x1A at the very end", Lines({"# IFELD", "# END \x1a"}),
         "t.dat:2: warning: byte 0x1A ends the file for a reader\n", 1},
        {"NUL inside a text", Lines({"# CFELD", std::string("CFELD(  0) ab\0cd", 16), "# END "}),
         "t.dat:2: error: NUL byte after 13 characters: the rest of the line (2 characters) is not read\n", 2},
        {"NUL at the end of a line", Lines({"# CFELD", std::string("CFELD(  0) ab\0", 14), "# END "}),
         "t.dat:2: warning: NUL byte at the end of the line\n", 1},
        {"missing end line", Lines({"# IFELD", "IFELD(  0) 1"}),
         "t.dat:2: warning: no end line \"# END \": the reader reads to the end of the file\n", 1},
        {"repeated section with values", InIfeld({"IFELD(  0) 1", "IFELD(  1) 2", "# IFELD", "IFELD(  0) 3",
                                                  "IFELD(  1) 4"}),
         "t.dat:4: error: section IFELD again (first at line 1): its 2 values overwrite slots 0 to 1\n", 2},
        {"repeated section without values", Lines({"# DFELD", "# DFELD", "# END "}),
         "t.dat:2: warning: section DFELD again (first at line 1)\n", 1},
    };
}

TEST(Check, ReportsEachKindOfProblem) {
    for (const CheckCase &c : CheckCases()) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir.file("t.dat"), c.file);
        Result r = Tool(dir, "check t.dat");
        EXPECT_EQ(r.out, c.findings);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, "");  // the library's limit message is not shown
    }
}

TEST(Check, FindsAllProblemsOfAHandEditedFile) {
    TempDir dir;
    WriteFile(dir.file("t.dat"), Fixture("messy.dat"));
    Result r = Tool(dir, "check t.dat");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out,
              "t.dat:1: warning: text after \"# PFELD\" is ignored: \"  (reals, labelled DFELD)\"\n"
              "t.dat:5: warning: trailing blanks are removed: read as \"Caf\\xE9 \\x80 5\"\n"
              "t.dat:8: error: text after the number is ignored: \"abc\" (read as 12)\n"
              "t.dat:9: error: unrecognised header \"# NOTES\": its 1 value line is skipped\n"
              "t.dat:13: warning: a text of blanks only is read as one blank\n"
              "t.dat:19: error: section IFELD again (first at line 6): its 1 value overwrites slot 0\n"
              "t.dat:22: error: section IFELD is not read: it comes after the end line\n"
              "t.dat:22: warning: 2 lines after the end line are not read\n");
}

TEST(Check, AnUnreadableFileIsAnError) {
    TempDir dir;
    Result r = Tool(dir, "check missing.dat");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("tovra: check: cannot read missing.dat: ", 0), 0u) << r.err;
}

// ---------------------------------------------------------------- arguments

TEST(Arguments, HelpAndVersion) {
    TempDir dir;
    Result r = Tool(dir, "--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "tovra " TOVRA_VERSION "\n");
    r = Tool(dir, "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: tovra COMMAND", 0), 0u);
    for (const char *cmd : {"show", "json", "write", "check", "fmt"}) {
        SCOPED_TRACE(cmd);
        r = Tool(dir, std::string(cmd) + " --help");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(std::string("usage: tovra ") + cmd, 0), 0u) << r.out;
        EXPECT_EQ(Tool(dir, std::string("help ") + cmd).out, r.out);
    }
}

TEST(Arguments, BadArgumentsAreRefused) {
    struct Case {
        const char *args;
        const char *err;
    };
    const Case cases[] = {
        {"", "tovra: no command given\nTry 'tovra --help'.\n"},
        {"shwo x", "tovra: unknown command 'shwo'\nTry 'tovra --help'.\n"},
        {"--frobnicate", "tovra: unknown option '--frobnicate'\nTry 'tovra --help'.\n"},
        {"show", "tovra: show: missing file argument\nTry 'tovra show --help'.\n"},
        {"show a b", "tovra: show: too many arguments\nTry 'tovra show --help'.\n"},
        {"write a.json", "tovra: write: missing file argument\nTry 'tovra write --help'.\n"},
        {"fmt a b c", "tovra: fmt: too many arguments\nTry 'tovra fmt --help'.\n"},
        {"json -x a", "tovra: json: unknown option '-x'\nTry 'tovra json --help'.\n"},
        {"json --encoding", "tovra: --encoding needs a code page name\nTry 'tovra json --help'.\n"},
        {"json --encoding utf8 a",
         "tovra: unknown encoding 'utf8' (known: cp1252, cp850, cp437, latin1)\nTry 'tovra json --help'.\n"},
        {"check --encoding cp850 a", "tovra: check: unknown option '--encoding'\nTry 'tovra check --help'.\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args);
        TempDir dir;
        Result r = Tool(dir, c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(Arguments, AFileNamedLikeAnOptionAfterDoubleDash) {
    TempDir dir;
    WriteFile(dir.file("-x.dat"), Fixture("example.dat"));
    Result r = Tool(dir, "show -- -x.dat");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Fixture("example.show"));
}

}  // namespace
