#include "data_io.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include <nlohmann/json.hpp>

#include "datafile/datafile.h"
#include "datafile/reader.h"
#include "tool_message.h"

namespace tovra_tool {

using tovra::kCfeld;
using tovra::kDfeld;
using tovra::kIfeld;
using tovra::kKteil;
using tovra::kPfeld;
using tovra::kSections;
using Json = nlohmann::ordered_json;

namespace {

std::string Text80(const char *slot) { return std::string(slot, strnlen(slot, tovra::kSlotSize)); }

// Notes, per section, the highest slot that a value line filled, and the
// head text as the reader stored it, before the blank is appended.
struct FillObserver : tovra::ReadObserver {
    Loaded *out;
    void OnValue(const tovra::Piece &piece, int section, int slot, const char *) override {
        if (section < 0 || slot < 0) return;
        if (slot + 1 > out->filled[section]) out->filled[section] = slot + 1;
        out->line[section][slot] = piece.line;
        if (section == kKteil) out->headText = Text80(out->KTEIL);
    }
};

}  // namespace

bool LoadDataFile(const char *path, Loaded &out) {
    // One read: the host's view, messages and all, while the observer
    // notes which slots the file filled.
    for (auto &f : out.filled) f = 0;
    std::memset(out.line, 0, sizeof out.line);
    out.headText.clear();
    FillObserver observer;
    observer.out = &out;
    return tovra::ReadD99999Data(path, out.KTEIL, out.IFELD, out.DFELD, &out.CFELD[0][0], out.PFELD,
                                 &observer) == 0;
}

WriteData FromLoaded(const Loaded &d) {
    WriteData w;
    w.head = d.headText;
    w.ifeld.assign(d.IFELD, d.IFELD + d.filled[kIfeld]);
    w.dfeld.assign(d.DFELD, d.DFELD + d.filled[kDfeld]);
    for (int i = 0; i < d.filled[kCfeld]; ++i) w.cfeld.push_back(Text80(d.CFELD[i]));
    w.pfeld.assign(d.PFELD, d.PFELD + d.filled[kPfeld]);
    return w;
}

namespace {

// What the reader keeps of a text: trailing blanks go, but never the first
// character.
std::string Trimmed(const std::string &t) {
    std::string r = t;
    while (r.size() > 1 && r.back() == ' ') r.pop_back();
    return r;
}

void CheckText(std::vector<Problem> &out, int section, int index, const std::string &t) {
    auto add = [&](bool error, const std::string &m) { out.push_back({error, section, index, m}); };
    if (t.size() > tovra::kMaxText) {
        add(true, "text of " + std::to_string(t.size()) + " characters (bytes), at most 79 fit");
    }
    if (t.find('\n') != std::string::npos) add(true, "text holds a line feed, which would end its line");
    if (t.find('\x1a') != std::string::npos) add(true, "text holds the byte 0x1A, which ends a file for a reader");
    if (t.find('\0') != std::string::npos) add(true, "text holds a NUL, which ends it");
    if (Trimmed(t) != t) add(false, "trailing blanks are removed when the file is read");
}

void CheckReals(std::vector<Problem> &out, int section, const std::vector<double> &v) {
    char text[tovra::kMaxRealText];
    for (std::size_t i = 0; i < v.size(); ++i) {
        int index = static_cast<int>(i);
        if (tovra::IsRealEnd(v[i])) {
            out.push_back({true, section, index,
                           RealText(v[i]) + " is below -9997.77 or NaN: the writer would end the list here"});
        } else if (tovra::kLabelLength + tovra::FormatReal(text, v[i]) >= tovra::kPieceLength) {
            out.push_back({true, section, index,
                           RealText(v[i]) + " makes a line of 253 characters or more, which a reader splits"});
        }
    }
}

void CheckCount(std::vector<Problem> &out, int section, std::size_t n) {
    std::size_t slots = static_cast<std::size_t>(kSections[section].slots);
    if (n > slots) {
        out.push_back({true, section, -1,
                       std::to_string(n) + " entries, but " + kSections[section].name + " has " +
                           std::to_string(slots) + " slots"});
    }
}

}  // namespace

std::vector<Problem> Validate(const WriteData &d) {
    std::vector<Problem> out;
    CheckText(out, kKteil, -1, d.head);
    CheckCount(out, kIfeld, d.ifeld.size());
    for (std::size_t i = 0; i < d.ifeld.size(); ++i) {
        if (tovra::IsIntEnd(d.ifeld[i])) {
            out.push_back({true, kIfeld, static_cast<int>(i),
                           std::to_string(d.ifeld[i]) + " is below -9997: the writer would end the list here"});
        }
    }
    CheckCount(out, kDfeld, d.dfeld.size());
    CheckReals(out, kDfeld, d.dfeld);
    CheckCount(out, kCfeld, d.cfeld.size());
    for (std::size_t i = 0; i < d.cfeld.size(); ++i) {
        int index = static_cast<int>(i);
        if (d.cfeld[i] == tovra::kCfeldEnd) {
            out.push_back({true, kCfeld, index, "\"END_OF_CFELD\": the writer would end the list here"});
        }
        CheckText(out, kCfeld, index, d.cfeld[i]);
    }
    CheckCount(out, kPfeld, d.pfeld.size());
    CheckReals(out, kPfeld, d.pfeld);
    return out;
}

bool SaveDataFile(const char *path, const WriteData &d) {
    struct Buffers {
        char KTEIL[80] = {};
        std::int32_t IFELD[5];
        double DFELD[170];
        char CFELD[10][80] = {};
        double PFELD[15];
    };
    auto b = std::make_unique<Buffers>();
    // Each list ends where the data set's list ends.
    std::strncpy(b->KTEIL, d.head.c_str(), tovra::kMaxText);
    for (std::size_t i = 0; i < 5; ++i) b->IFELD[i] = i < d.ifeld.size() ? d.ifeld[i] : -9998;
    for (std::size_t i = 0; i < 170; ++i) b->DFELD[i] = i < d.dfeld.size() ? d.dfeld[i] : -9998.77;
    for (std::size_t i = 0; i < 10; ++i) {
        std::strncpy(b->CFELD[i], i < d.cfeld.size() ? d.cfeld[i].c_str() : tovra::kCfeldEnd,
                     tovra::kMaxText);
    }
    for (std::size_t i = 0; i < 15; ++i) b->PFELD[i] = i < d.pfeld.size() ? d.pfeld[i] : -9998.77;
    return tovra::WriteD99999File(path, b->KTEIL, b->IFELD, b->DFELD, &b->CFELD[0][0], b->PFELD) == 0;
}

std::string RealText(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    return Json(v).dump();
}

namespace {

// A text for the table: in double quotes, decoded; a byte without a
// character, a control character, a quote and a backslash escaped.
std::string ShowQuoted(const CodePage &cp, const std::string &t) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char ch : t) {
        unsigned char c = static_cast<unsigned char>(ch);
        long u = ToUnicode(cp, c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0)) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            AppendUtf8(out, u);
        }
    }
    return out + "\"";
}

std::string Index(int i) {
    std::string n = std::to_string(i);
    return std::string(n.size() < 5 ? 5 - n.size() : 0, ' ') + n + "  ";
}

std::string Heading(int section, int filled, const char *rest) {
    const tovra::SectionInfo &s = kSections[section];
    return std::string(s.name) + "  " + std::to_string(filled) + " of " + std::to_string(s.slots) +
           " slots filled" + (filled < s.slots ? rest : "") + "\n";
}

}  // namespace

std::string ShowText(const Loaded &d, const CodePage &cp) {
    std::string out = "KTEIL  " + ShowQuoted(cp, Text80(d.KTEIL));
    if (d.filled[kKteil] == 0) out += "  (no head-text line)";
    out += "\n";
    out += Heading(kIfeld, d.filled[kIfeld], ", the others hold 0");
    for (int i = 0; i < d.filled[kIfeld]; ++i) out += Index(i) + std::to_string(d.IFELD[i]) + "\n";
    out += Heading(kDfeld, d.filled[kDfeld], ", the others hold 0");
    for (int i = 0; i < d.filled[kDfeld]; ++i) out += Index(i) + RealText(d.DFELD[i]) + "\n";
    out += Heading(kCfeld, d.filled[kCfeld], ", the others hold \"END_OF_CFELD\"");
    for (int i = 0; i < d.filled[kCfeld]; ++i) out += Index(i) + ShowQuoted(cp, Text80(d.CFELD[i])) + "\n";
    out += Heading(kPfeld, d.filled[kPfeld], ", the others hold 0");
    for (int i = 0; i < d.filled[kPfeld]; ++i) out += Index(i) + RealText(d.PFELD[i]) + "\n";
    return out;
}

namespace {

Json RealJson(double v) {
    if (std::isfinite(v)) return Json(v);
    return Json(RealText(v));
}

std::string HexByte(unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("0x") + kHex[c >> 4] + kHex[c & 15];
}

}  // namespace

bool ToJson(const Loaded &d, const CodePage &cp, std::string &json, long *badLine, std::string *why) {
    WriteData w = FromLoaded(d);
    auto text = [&](const std::string &bytes, long line, Json &out) {
        std::string utf8;
        std::size_t bad = 0;
        if (!DecodeText(cp, bytes, utf8, &bad)) {
            *badLine = line;
            *why = "byte " + HexByte(static_cast<unsigned char>(bytes[bad])) + " has no character in " +
                   CodePageName(cp);
            return false;
        }
        out = utf8;
        return true;
    };
    Json root = Json::object();
    if (!text(w.head, d.line[kKteil][0], root["KTEIL"])) return false;
    root["IFELD"] = Json::array();
    for (std::int32_t v : w.ifeld) root["IFELD"].push_back(v);
    root["DFELD"] = Json::array();
    for (double v : w.dfeld) root["DFELD"].push_back(RealJson(v));
    root["CFELD"] = Json::array();
    for (std::size_t i = 0; i < w.cfeld.size(); ++i) {
        Json t;
        if (!text(w.cfeld[i], d.line[kCfeld][i], t)) return false;
        root["CFELD"].push_back(t);
    }
    root["PFELD"] = Json::array();
    for (double v : w.pfeld) root["PFELD"].push_back(RealJson(v));
    json = root.dump(2) + "\n";
    return true;
}

std::string JsonPlace(int section, int index) {
    std::string p = kSections[section].name;
    if (index >= 0) p += "[" + std::to_string(index) + "]";
    return p;
}

namespace {

// Builds the document from the parser's events. Numbers with a fraction or
// an exponent are converted by the library's own ParseReal from their text,
// correctly rounded whatever the C run-time's strtod does.
class Builder {
public:
    Json root;
    std::string error;

    bool null() { return Put(Json(nullptr)); }
    bool boolean(bool b) { return Put(Json(b)); }
    bool number_integer(Json::number_integer_t v) { return Put(Json(v)); }
    bool number_unsigned(Json::number_unsigned_t v) { return Put(Json(v)); }
    bool number_float(Json::number_float_t, const Json::string_t &s) {
        return Put(Json(tovra::ParseReal(s.c_str())));
    }
    bool string(Json::string_t &s) { return Put(Json(s)); }
    bool binary(Json::binary_t &) { return Put(Json(nullptr)); }
    bool start_object(std::size_t) { return Open(Json::object()); }
    bool key(Json::string_t &k) {
        if (stack_.back()->contains(k)) {
            error = "key \"" + k + "\" twice";
            return false;
        }
        key_ = k;
        return true;
    }
    bool end_object() { return Close(); }
    bool start_array(std::size_t) { return Open(Json::array()); }
    bool end_array() { return Close(); }
    bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &e) {
        error = e.what();
        // "[json.exception.parse_error.101] parse error at line 1, ..."
        std::string::size_type close = error.find("] ");
        if (error.compare(0, 1, "[") == 0 && close != std::string::npos) error.erase(0, close + 2);
        return false;
    }

private:
    std::vector<Json *> stack_;
    std::string key_;

    Json *Add(Json v) {
        if (stack_.empty()) {
            root = std::move(v);
            return &root;
        }
        Json *top = stack_.back();
        if (top->is_object()) {
            Json &slot = (*top)[key_];
            slot = std::move(v);
            return &slot;
        }
        top->push_back(std::move(v));
        return &top->back();
    }
    bool Put(Json v) {
        Add(std::move(v));
        return true;
    }
    bool Open(Json v) {
        stack_.push_back(Add(std::move(v)));
        return true;
    }
    bool Close() {
        stack_.pop_back();
        return true;
    }
};

bool TextFromJson(const Json &v, const CodePage &cp, const std::string &place, std::string &out,
                  std::string *why) {
    if (!v.is_string()) {
        *why = place + ": a text (JSON string) is expected";
        return false;
    }
    long bad = 0;
    if (!EncodeText(cp, v.get<std::string>(), out, &bad)) {
        *why = place + ": " + (bad < 0 ? std::string("malformed UTF-8")
                                       : "character " + DescribeChar(bad) + " is not in " + CodePageName(cp));
        return false;
    }
    return true;
}

bool RealFromJson(const Json &v, const std::string &place, double &out, std::string *why) {
    if (v.is_number()) {
        out = v.get<double>();
        return true;
    }
    if (v.is_string()) {
        const std::string &s = v.get_ref<const std::string &>();
        if (s == "inf" || s == "-inf" || s == "nan") {
            out = s == "nan" ? std::numeric_limits<double>::quiet_NaN()
                             : (s == "inf" ? 1 : -1) * std::numeric_limits<double>::infinity();
            return true;
        }
    }
    *why = place + ": a number (or \"inf\", \"-inf\", \"nan\") is expected";
    return false;
}

}  // namespace

bool FromJson(const std::string &json, const CodePage &cp, WriteData &d, std::string *why) {
    Builder b;
    if (!Json::sax_parse(json, &b)) {
        *why = b.error.empty() ? "malformed JSON" : b.error;
        return false;
    }
    const Json &root = b.root;
    if (!root.is_object()) {
        *why = "a JSON object with the keys KTEIL, IFELD, DFELD, CFELD, PFELD is expected";
        return false;
    }
    d = WriteData();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const std::string &k = it.key();
        int section = -1;
        for (const tovra::SectionInfo &s : kSections) {
            if (k == s.name) section = s.id;
        }
        if (section < 0) {
            *why = "unknown key \"" + k + "\" (expected KTEIL, IFELD, DFELD, CFELD, PFELD)";
            return false;
        }
        const Json &v = it.value();
        if (section == kKteil) {
            if (!TextFromJson(v, cp, "KTEIL", d.head, why)) return false;
            continue;
        }
        if (!v.is_array()) {
            *why = k + ": a list (JSON array) is expected";
            return false;
        }
        for (std::size_t i = 0; i < v.size(); ++i) {
            std::string place = JsonPlace(section, static_cast<int>(i));
            const Json &e = v[i];
            if (section == kIfeld) {
                double real = e.is_number() ? e.get<double>() : 0.5;
                if (!e.is_number() || std::floor(real) != real) {
                    *why = place + ": an integer is expected";
                    return false;
                }
                if (real < -2147483648.0 || real > 2147483647.0) {
                    *why = place + ": " + e.dump() + " is outside the 32-bit range";
                    return false;
                }
                d.ifeld.push_back(static_cast<std::int32_t>(real));
            } else if (section == kCfeld) {
                std::string t;
                if (!TextFromJson(e, cp, place, t, why)) return false;
                d.cfeld.push_back(t);
            } else {
                double r = 0;
                if (!RealFromJson(e, place, r, why)) return false;
                (section == kDfeld ? d.dfeld : d.pfeld).push_back(r);
            }
        }
    }
    return true;
}

}  // namespace tovra_tool
