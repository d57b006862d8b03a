// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfreader.h"

#include "cp1251.h"

#include <QColor>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

namespace qx {
namespace {

// Groups nested deeper than this are still counted, so that braces keep
// matching, but they share the state of the deepest real one.
constexpr int kMaxDepth = 64;
// Numeric parameters stop growing here; the digits after are read and dropped.
constexpr int kMaxParam = 1'000'000'000;
constexpr std::size_t kMaxWordLength = 32;
constexpr int kMaxFonts = 256;
constexpr std::size_t kMaxColors = 256;
constexpr qsizetype kMaxFontName = 128;
constexpr int kMaxFallback = 16;        // \ucN
constexpr int kMaxHalfPoints = 144;     // 72 pt
constexpr int kMaxTwips = 1440;         // one inch
constexpr double kTwipsPerPixel = 15.0; // 1440 twips per inch, 96 pixels per inch

enum class Dest : unsigned char { Text, FontTable, ColorTable, Skip };

struct CharProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int halfPoints = 0; // 0: the document's own size
    int color = 0;      // colour table index; 0, an empty entry or a bad index: the default
    int background = 0;
    int font = -1; // font table number; -1: the \deff one
    bool operator==(const CharProps&) const = default;
};

struct ParaProps {
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0; // all in twips
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
};

struct State {
    CharProps chars;
    ParaProps para;
    Dest dest = Dest::Text;
    int fallback = 1; // characters after \uN that stand in for it
};

enum class Kw : unsigned char {
    Par,
    Char, // stands for one fixed character
    Pard,
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    FontSize,
    Color,
    Background,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    Font,
    DefaultFont,
    Unicode,
    FallbackCount,
    FontTable,
    ColorTable,
    Red,
    Green,
    Blue,
    Binary,
    Skip, // a destination whose contents we do not show
};

struct Word {
    std::string_view name;
    Kw kw;
    char16_t ch = 0;
};

constexpr auto kWords = [] {
    std::array words{
        Word{"annotation", Kw::Skip},
        Word{"atnid", Kw::Skip},
        Word{"author", Kw::Skip},
        Word{"b", Kw::Bold},
        Word{"bin", Kw::Binary},
        Word{"bkmkend", Kw::Skip},
        Word{"bkmkstart", Kw::Skip},
        Word{"blue", Kw::Blue},
        Word{"bullet", Kw::Char, 0x2022},
        Word{"buptim", Kw::Skip},
        Word{"cb", Kw::Background},
        Word{"cell", Kw::Char, u'\t'},
        Word{"cf", Kw::Color},
        Word{"colorschememapping", Kw::Skip},
        Word{"colortbl", Kw::ColorTable},
        Word{"comment", Kw::Skip},
        Word{"creatim", Kw::Skip},
        Word{"datastore", Kw::Skip},
        Word{"deff", Kw::DefaultFont},
        Word{"doccomm", Kw::Skip},
        Word{"emdash", Kw::Char, 0x2014},
        Word{"emspace", Kw::Char, 0x2003},
        Word{"endash", Kw::Char, 0x2013},
        Word{"enspace", Kw::Char, 0x2002},
        Word{"f", Kw::Font},
        Word{"fi", Kw::FirstIndent},
        Word{"filetbl", Kw::Skip},
        Word{"fldinst", Kw::Skip},
        Word{"fonttbl", Kw::FontTable},
        Word{"footer", Kw::Skip},
        Word{"footerf", Kw::Skip},
        Word{"footerl", Kw::Skip},
        Word{"footerr", Kw::Skip},
        Word{"footnote", Kw::Skip},
        Word{"fs", Kw::FontSize},
        Word{"generator", Kw::Skip},
        Word{"green", Kw::Green},
        Word{"header", Kw::Skip},
        Word{"headerf", Kw::Skip},
        Word{"headerl", Kw::Skip},
        Word{"headerr", Kw::Skip},
        Word{"highlight", Kw::Background},
        Word{"i", Kw::Italic},
        Word{"info", Kw::Skip},
        Word{"keywords", Kw::Skip},
        Word{"latentstyles", Kw::Skip},
        Word{"ldblquote", Kw::Char, 0x201C},
        Word{"li", Kw::LeftIndent},
        Word{"line", Kw::Char, 0x2028},
        Word{"listoverridetable", Kw::Skip},
        Word{"listtable", Kw::Skip},
        Word{"lquote", Kw::Char, 0x2018},
        Word{"nonshppict", Kw::Skip},
        Word{"object", Kw::Skip},
        Word{"operator", Kw::Skip},
        Word{"page", Kw::Par},
        Word{"par", Kw::Par},
        Word{"pard", Kw::Pard},
        Word{"pict", Kw::Skip},
        Word{"plain", Kw::Plain},
        Word{"printim", Kw::Skip},
        Word{"qc", Kw::AlignCenter},
        Word{"qj", Kw::AlignJustify},
        Word{"ql", Kw::AlignLeft},
        Word{"qmspace", Kw::Char, 0x2005},
        Word{"qr", Kw::AlignRight},
        Word{"rdblquote", Kw::Char, 0x201D},
        Word{"red", Kw::Red},
        Word{"revtbl", Kw::Skip},
        Word{"revtim", Kw::Skip},
        Word{"ri", Kw::RightIndent},
        Word{"row", Kw::Par},
        Word{"rquote", Kw::Char, 0x2019},
        Word{"rsidtbl", Kw::Skip},
        Word{"sa", Kw::SpaceAfter},
        Word{"sb", Kw::SpaceBefore},
        Word{"sect", Kw::Par},
        Word{"strike", Kw::Strike},
        Word{"stylesheet", Kw::Skip},
        Word{"subject", Kw::Skip},
        Word{"tab", Kw::Char, u'\t'},
        Word{"themedata", Kw::Skip},
        Word{"title", Kw::Skip},
        Word{"u", Kw::Unicode},
        Word{"uc", Kw::FallbackCount},
        Word{"ul", Kw::Underline},
        Word{"uld", Kw::Underline},
        Word{"uldash", Kw::Underline},
        Word{"uldb", Kw::Underline},
        Word{"ulnone", Kw::UnderlineNone},
        Word{"ulth", Kw::Underline},
        Word{"ulw", Kw::Underline},
        Word{"ulwave", Kw::Underline},
        Word{"userprops", Kw::Skip},
        Word{"xmlnstbl", Kw::Skip},
    };
    std::ranges::sort(words, {}, &Word::name);
    return words;
}();

const Word* FindWord(std::string_view name) {
    const auto it = std::ranges::lower_bound(kWords, name, {}, &Word::name);
    return it != kWords.end() && it->name == name ? &*it : nullptr;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

class Reader {
  public:
    Reader(QByteArrayView in, QTextCursor& cursor) : in_(in), cursor_(cursor) {}

    // True when the outermost group closed.
    bool Run() {
        while (pos_ < in_.size()) {
            const char c = in_[pos_++];
            switch (c) {
            case '{':
                OpenGroup();
                break;
            case '}':
                if (CloseGroup()) {
                    Finish();
                    return true;
                }
                break;
            case '\\':
                Control();
                break;
            case '\r':
            case '\n':
                break;
            default:
                starred_ = false;
                if (fallback_ > 0) {
                    --fallback_;
                } else {
                    Emit(Cp1251Char(static_cast<unsigned char>(c)));
                }
                break;
            }
        }
        Finish();
        return false;
    }

  private:
    State& S() { return stack_[depth_]; }

    void OpenGroup() {
        fallback_ = 0;
        starred_ = false;
        if (depth_ < kMaxDepth) {
            stack_[depth_ + 1] = stack_[depth_];
            ++depth_;
        } else {
            ++deeper_;
        }
    }

    // True for the brace that closes the outermost group. Its state stays
    // current so that the last paragraph keeps its formatting.
    bool CloseGroup() {
        fallback_ = 0;
        starred_ = false;
        if (deeper_ > 0) {
            --deeper_;
            return false;
        }
        if (S().dest == Dest::FontTable) {
            CommitFont();
        }
        if (depth_ <= 1) {
            return true;
        }
        --depth_;
        return false;
    }

    void Control() {
        if (pos_ >= in_.size()) {
            return;
        }
        const char c = in_[pos_];
        if (IsLetter(c)) {
            ControlWord();
            return;
        }
        ++pos_;
        if (c == '\'') {
            HexByte();
            return;
        }
        starred_ = false;
        if (fallback_ > 0) {
            --fallback_;
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Emit(QChar(char16_t(c)));
            break;
        case '~':
            Emit(QChar(char16_t(0x00A0)));
            break;
        case '_':
            Emit(QChar(char16_t(0x2011)));
            break;
        case '*':
            starred_ = true;
            break;
        case '\r':
        case '\n':
            Paragraph();
            break;
        default: // \- (optional hyphen) and the rest: nothing to show
            break;
        }
    }

    void HexByte() {
        starred_ = false;
        int value = 0;
        for (int k = 0; k < 2; ++k) {
            const int h = pos_ < in_.size() ? HexValue(in_[pos_]) : -1;
            if (h < 0) {
                return; // a broken escape stands for nothing
            }
            value = value * 16 + h;
            ++pos_;
        }
        if (fallback_ > 0) {
            --fallback_;
            return;
        }
        Emit(Cp1251Char(static_cast<unsigned char>(value)));
    }

    void ControlWord() {
        const qsizetype start = pos_;
        while (pos_ < in_.size() && IsLetter(in_[pos_])) {
            ++pos_;
        }
        const auto name = std::string_view(in_.data() + start, std::size_t(pos_ - start));

        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && IsDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        bool hasParam = false;
        long long value = 0;
        while (pos_ < in_.size() && IsDigit(in_[pos_])) {
            hasParam = true;
            if (value < kMaxParam) {
                value = value * 10 + (in_[pos_] - '0');
            }
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') {
            ++pos_;
        }
        const int param = int(std::clamp<long long>(negative ? -value : value, -kMaxParam, kMaxParam));

        const bool starred = std::exchange(starred_, false);
        const Word* word = name.size() <= kMaxWordLength ? FindWord(name) : nullptr;
        if (word && word->kw == Kw::Binary) {
            // Raw bytes follow, braces and all; they are never text for us,
            // wherever they stand.
            if (hasParam && param > 0) {
                pos_ += std::min<qsizetype>(param, in_.size() - pos_);
            }
            fallback_ = std::max(fallback_ - 1, 0);
            return;
        }
        if (fallback_ > 0) {
            --fallback_;
            return;
        }
        State& s = S();
        if (s.dest == Dest::Skip) {
            return;
        }
        if (starred) {
            // {\*\name ...}: a destination we may ignore, and we do.
            s.dest = Dest::Skip;
            return;
        }
        if (word) {
            Apply(*word, hasParam, param);
        }
    }

    void Apply(const Word& word, bool hasParam, int param) {
        State& s = S();
        CharProps& ch = s.chars;
        ParaProps& pa = s.para;
        const bool on = !hasParam || param != 0;
        const int index = hasParam ? std::max(param, 0) : 0;
        const int twips = std::clamp(param, 0, kMaxTwips);
        switch (word.kw) {
        case Kw::Par:
            Paragraph();
            break;
        case Kw::Char:
            Emit(QChar(word.ch));
            break;
        case Kw::Pard:
            pa = ParaProps{};
            break;
        case Kw::Plain:
            ch = CharProps{};
            break;
        case Kw::Bold:
            ch.bold = on;
            break;
        case Kw::Italic:
            ch.italic = on;
            break;
        case Kw::Underline:
            ch.underline = on;
            break;
        case Kw::UnderlineNone:
            ch.underline = false;
            break;
        case Kw::Strike:
            ch.strike = on;
            break;
        case Kw::FontSize:
            if (hasParam && param > 0) { // \fs0 and negative sizes mean nothing
                ch.halfPoints = std::min(param, kMaxHalfPoints);
            }
            break;
        case Kw::Color:
            ch.color = index;
            break;
        case Kw::Background:
            ch.background = index;
            break;
        case Kw::AlignLeft:
            pa.align = Qt::AlignLeft;
            break;
        case Kw::AlignCenter:
            pa.align = Qt::AlignHCenter;
            break;
        case Kw::AlignRight:
            pa.align = Qt::AlignRight;
            break;
        case Kw::AlignJustify:
            pa.align = Qt::AlignJustify;
            break;
        case Kw::LeftIndent:
            pa.left = twips;
            break;
        case Kw::RightIndent:
            pa.right = twips;
            break;
        case Kw::FirstIndent:
            pa.first = std::clamp(param, -kMaxTwips, kMaxTwips);
            break;
        case Kw::SpaceBefore:
            pa.before = twips;
            break;
        case Kw::SpaceAfter:
            pa.after = twips;
            break;
        case Kw::Font:
            if (s.dest == Dest::FontTable) {
                fontNumber_ = index;
                fontName_.clear();
            } else if (hasParam) {
                ch.font = index;
            }
            break;
        case Kw::DefaultFont:
            if (hasParam) {
                defaultFont_ = index;
            }
            break;
        case Kw::Unicode:
            if (hasParam) {
                // A signed 16-bit number: negative ones are the upper half.
                const int u = param < 0 ? param + 0x10000 : param;
                Emit(QChar(u >= 0 && u <= 0xFFFF ? char16_t(u) : char16_t(0xFFFD)));
                fallback_ = s.fallback;
            }
            break;
        case Kw::FallbackCount:
            if (hasParam) {
                s.fallback = std::clamp(param, 0, kMaxFallback);
            }
            break;
        case Kw::FontTable:
            s.dest = Dest::FontTable;
            fontNumber_ = -1;
            fontName_.clear();
            break;
        case Kw::ColorTable:
            s.dest = Dest::ColorTable;
            ResetColor();
            break;
        case Kw::Red:
            red_ = std::clamp(param, 0, 255);
            colorGiven_ = true;
            break;
        case Kw::Green:
            green_ = std::clamp(param, 0, 255);
            colorGiven_ = true;
            break;
        case Kw::Blue:
            blue_ = std::clamp(param, 0, 255);
            colorGiven_ = true;
            break;
        case Kw::Skip:
            s.dest = Dest::Skip;
            break;
        case Kw::Binary: // handled before we get here
            break;
        }
    }

    void Emit(QChar c) {
        switch (S().dest) {
        case Dest::Text:
            EmitText(c);
            break;
        case Dest::FontTable:
            if (c == u';') {
                CommitFont();
            } else if (fontName_.size() < kMaxFontName) {
                fontName_.append(c);
            }
            break;
        case Dest::ColorTable:
            if (c == u';') {
                CommitColor();
            }
            break;
        case Dest::Skip:
            break;
        }
    }

    void EmitText(QChar c) {
        char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t') {
            return;
        }
        // The document keeps its own structure in a few code points; as text
        // they would confuse it, so they are shown as replacement characters.
        if (u == 0x2029) {
            u = 0x2028;
        } else if ((u >= 0xFDD0 && u <= 0xFDEF) || u == 0xFFFC || u >= 0xFFFE) {
            u = 0xFFFD;
        }
        const CharProps& now = S().chars;
        if (!(runProps_ == now) && looks_ < MaxRtfLooks) {
            Flush();
            runProps_ = now;
            ++looks_;
        }
        run_.append(QChar(u));
    }

    void Paragraph() {
        if (S().dest != Dest::Text) {
            return;
        }
        Flush();
        cursor_.setBlockFormat(BlockFormat(S().para));
        cursor_.insertBlock();
    }

    void Finish() {
        Flush();
        cursor_.setBlockFormat(BlockFormat(S().para));
    }

    void Flush() {
        if (!run_.isEmpty()) {
            cursor_.insertText(run_, CharFormat(runProps_));
            run_.resize(0);
        }
    }

    void CommitFont() {
        const QString name = fontName_.trimmed();
        if (fontNumber_ >= 0 && !name.isEmpty() &&
            (fonts_.size() < kMaxFonts || fonts_.contains(fontNumber_))) {
            fonts_.insert(fontNumber_, name);
        }
        fontNumber_ = -1;
        fontName_.clear();
    }

    void ResetColor() {
        red_ = green_ = blue_ = 0;
        colorGiven_ = false;
    }

    // An entry without any component is the "auto" colour, the default one.
    void CommitColor() {
        if (colors_.size() < kMaxColors) {
            colors_.push_back(colorGiven_ ? QColor(red_, green_, blue_) : QColor());
        }
        ResetColor();
    }

    // Index 0 is the default colour whatever the table says there: text that
    // never asked for a colour must not get one.
    const QColor* ColorAt(int index) const {
        if (index <= 0 || std::size_t(index) >= colors_.size() || !colors_[std::size_t(index)].isValid()) {
            return nullptr;
        }
        return &colors_[std::size_t(index)];
    }

    QTextCharFormat CharFormat(const CharProps& p) const {
        QTextCharFormat f;
        f.setFontWeight(p.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(p.italic);
        f.setFontUnderline(p.underline);
        f.setFontStrikeOut(p.strike);
        if (p.halfPoints > 0) {
            f.setFontPointSize(p.halfPoints / 2.0);
        }
        if (const QColor* c = ColorAt(p.color)) {
            f.setForeground(*c);
        }
        if (const QColor* c = ColorAt(p.background)) {
            f.setBackground(*c);
        }
        const auto font = fonts_.constFind(p.font >= 0 ? p.font : defaultFont_);
        if (font != fonts_.cend()) {
            f.setFontFamilies(QStringList{*font});
        }
        return f;
    }

    static QTextBlockFormat BlockFormat(const ParaProps& p) {
        QTextBlockFormat f;
        f.setAlignment(p.align);
        f.setLeftMargin(p.left / kTwipsPerPixel);
        f.setRightMargin(p.right / kTwipsPerPixel);
        f.setTextIndent(p.first / kTwipsPerPixel);
        f.setTopMargin(p.before / kTwipsPerPixel);
        f.setBottomMargin(p.after / kTwipsPerPixel);
        return f;
    }

    QByteArrayView in_;
    qsizetype pos_ = 0;
    QTextCursor& cursor_;

    std::array<State, kMaxDepth + 1> stack_{};
    int depth_ = 0;
    qsizetype deeper_ = 0; // groups opened past kMaxDepth
    bool starred_ = false; // just after \*
    int fallback_ = 0;     // characters still to skip after \uN

    QString run_; // text not yet in the document, all in runProps_
    CharProps runProps_;
    int looks_ = 0; // changes of look so far

    int defaultFont_ = -1;
    QHash<int, QString> fonts_;
    int fontNumber_ = -1;
    QString fontName_;

    std::vector<QColor> colors_;
    int red_ = 0;
    int green_ = 0;
    int blue_ = 0;
    bool colorGiven_ = false;
};

} // namespace

bool ReadRtf(QByteArrayView rtf, QTextDocument* doc) {
    if (!doc) {
        return false;
    }
    doc->clear();
    if (rtf.size() > MaxRtfBytes || !rtf.startsWith(QByteArrayView("{\\rtf"))) {
        return false;
    }
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    // One edit block: the layout runs once at the end, not after every run.
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    Reader reader(rtf, cursor);
    const bool closed = reader.Run();
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(undo);
    return closed;
}

} // namespace qx
