#include "script/ScriptCheck.h"

#include "script/ScriptParser.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <limits>
#include <map>
#include <utility>

namespace
{

enum class Reading
{
    Text,
    Time,     // integer milliseconds
    Integer,  // layer, Steps
    TimeList, // ActivationTime
    RealList, // Parameter
    Color     // three integers
};

struct Key
{
    const char* name;
    Reading reading;
};

const std::vector<Key>& KeysOf(RegionKind kind)
{
    static const std::vector<Key> none;
    static const std::vector<Key> music = {{"FileName", Reading::Text}};
    static const std::vector<Key> effect = {{"EffectName", Reading::Text},
                                            {"StartTime", Reading::Time},
                                            {"StopTime", Reading::Time},
                                            {"LayerID", Reading::Integer}};
    static const std::vector<Key> message = {
        {"MessageText", Reading::Text},  {"ActivationTime", Reading::TimeList},
        {"TargetEffect", Reading::Text}, {"Parameter", Reading::RealList},
        {"Steps", Reading::Integer},     {"TimeDelta", Reading::Time}};
    static const std::vector<Key> colors = {{"GlobalColor", Reading::Color},
                                            {"SupportColor", Reading::Color},
                                            {"FlowColor", Reading::Color}};
    switch (kind)
    {
    case MusicRegion:
        return music;
    case EffectRegion:
        return effect;
    case MessageRegion:
        return message;
    case ColorSchemeRegion:
        return colors;
    case NoRegion:
        break;
    }
    return none;
}

const char* const kHeaders[] = {"MUSIC", "EFFECT", "MESSAGE", "COLORSCHEME"};

RegionKind HeaderKind(const std::string& name)
{
    for (int k = 0; k < 4; ++k)
        if (name == kHeaders[k])
            return static_cast<RegionKind>(k + 1);
    return NoRegion;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y)
                      {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

// Edits from a to b, a difference of case counting as none. Only the first 64
// characters of each are compared: no name is longer.
size_t Distance(std::string_view a, std::string_view b)
{
    a = a.substr(0, 64);
    b = b.substr(0, 64);
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
    {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j)
        {
            const size_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The candidate nearest to name (the first of equals), or null when there is none.
template <typename List, typename NameOf>
const char* Nearest(std::string_view name, const List& candidates, NameOf nameOf)
{
    const char* best = nullptr;
    size_t bestDistance = std::numeric_limits<size_t>::max();
    for (const auto& c : candidates)
    {
        const size_t d = Distance(name, nameOf(c));
        if (d < bestDistance)
        {
            bestDistance = d;
            best = nameOf(c);
        }
    }
    return best;
}

std::string Seconds(uint64_t ms)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(ms) / 1000.0);
    return text;
}

// One "key=value;" of a region body, by the reader's rules: the key is what
// stands before the first "=", every later "=" is dropped from the value.
struct Entry
{
    size_t begin = 0;    // first character, in the filtered text
    size_t end = 0;      // its ";", or the body's end
    bool closed = false; // ended by ";"
    std::string key;
    size_t keyBegin = 0, keyEnd = 0; // [keyBegin, keyEnd) holds the key
    std::string value;
    std::vector<size_t> valueAt; // the position of each value character
};

// A piece of a list value: its text and where its characters stand.
struct Piece
{
    std::string_view text;
    size_t first = 0, last = 0; // positions of its first and last character (text not empty)
};

struct EffectSpan
{
    uint32_t start, stop;
    size_t region; // index into the regions
};

class Checker
{
  public:
    Checker(std::string_view raw, const std::vector<ScriptEffectKind>& kinds, int64_t musicMs)
        : m_Raw(raw), m_Kinds(kinds), m_MusicMs(musicMs)
    {
    }

    std::vector<ScriptWarning> Run();

  private:
    struct Region
    {
        int number = 0;
        RegionKind kind = NoRegion;
        size_t open = 0, close = 0; // the header's "[" and "]"
        std::vector<Entry> entries;
    };

    void Filter();
    void ReadRegions();
    void CheckEntries(const Region& region);
    void CheckValue(const Region& region, const Entry& entry, Reading reading);
    void CheckInteger(const Region& region, const std::string& key, const Piece& piece,
                      Reading reading);
    void CheckReal(const Region& region, const Piece& piece);
    void CheckEffect(size_t index);
    void CheckMessage(size_t index);
    void CheckMusicLength();

    const ScriptEffectKind* FindKind(const std::string& name) const;
    void CheckEffectName(const Region& region, const Entry& entry);
    static const Entry* Find(const Region& region, const char* key);
    static const Entry* Read(const Region& region, const char* key);
    static std::vector<Piece> Pieces(const Entry& entry, bool finalCommaCloses);

    // The raw text of filtered positions first..last, quoted.
    std::string Quote(size_t first, size_t last) const;
    std::string QuoteRaw(size_t begin, size_t end) const;
    std::string QuoteValue(const Entry& entry) const;
    std::string QuoteEntry(const Entry& entry) const;
    std::string RegionText(const Region& region) const;
    size_t LineOf(size_t offset) const;
    void Warn(const Region& region, std::string what);
    void WarnAt(size_t offset, std::string what);

    std::string_view m_Raw;
    const std::vector<ScriptEffectKind>& m_Kinds;
    int64_t m_MusicMs;

    std::string m_Text;              // the filtered script
    std::vector<uint32_t> m_Offset;  // raw offset of each filtered character
    std::vector<size_t> m_LineStart; // raw offsets at which lines start
    std::vector<Region> m_Regions;
    std::map<std::string, std::vector<EffectSpan>> m_Spans; // by effect name
    uint64_t m_ScriptMessages = 0, m_ScriptParameterValues = 0;
    std::vector<ScriptWarning> m_Warnings;
};

void Checker::Filter()
{
    // The reader's own filter decides which bytes survive outside comments;
    // walking the bytes here tells where each surviving one was written.
    bool keep[256] = {};
    for (int c = 0; c < 256; ++c)
    {
        const char byte = static_cast<char>(c);
        bool comment = false;
        std::string out;
        ScriptParser::Strip(std::string_view(&byte, 1), comment, out);
        keep[c] = !out.empty();
    }
    bool comment = false;
    m_Text.reserve(m_Raw.size());
    m_Offset.reserve(m_Raw.size());
    m_LineStart.push_back(0);
    for (size_t i = 0; i < m_Raw.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(m_Raw[i]);
        if (c == '#')
            comment = !comment;
        else if (!comment && keep[c])
        {
            m_Text += static_cast<char>(c);
            m_Offset.push_back(static_cast<uint32_t>(i));
        }
        else if (c == '\n')
            m_LineStart.push_back(i + 1);
    }
}

size_t Checker::LineOf(size_t offset) const
{
    return static_cast<size_t>(std::upper_bound(m_LineStart.begin(), m_LineStart.end(), offset) -
                               m_LineStart.begin());
}

std::string Checker::QuoteRaw(size_t begin, size_t end) const
{
    const size_t kLongest = 60;
    std::string out = "\"";
    for (size_t i = begin; i < end && i < m_Raw.size(); ++i)
    {
        if (i - begin >= kLongest)
        {
            out += "...";
            break;
        }
        const char c = m_Raw[i];
        switch (c)
        {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
            {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
                out += hex;
            }
            else
                out += c;
        }
    }
    return out + "\"";
}

std::string Checker::Quote(size_t first, size_t last) const
{
    return QuoteRaw(m_Offset[first], m_Offset[last] + 1);
}

std::string Checker::QuoteValue(const Entry& entry) const
{
    if (entry.valueAt.empty())
        return "\"\"";
    return Quote(entry.valueAt.front(), entry.valueAt.back());
}

std::string Checker::QuoteEntry(const Entry& entry) const
{
    const size_t last = entry.closed ? entry.end : entry.end - 1;
    return Quote(entry.begin, last);
}

// The header and the first entry as written, without comments, blanks and
// line ends between words shown as one blank.
std::string Checker::RegionText(const Region& region) const
{
    size_t last = region.close;
    if (!region.entries.empty())
    {
        const Entry& first = region.entries.front();
        last = first.closed ? first.end : first.end - 1;
    }
    std::string out;
    bool comment = false;
    for (size_t i = m_Offset[region.open]; i <= m_Offset[last]; ++i)
    {
        const char c = m_Raw[i];
        if (c == '#')
            comment = !comment;
        if (comment || c == '#')
            continue;
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (blank && (out.empty() || out.back() == ' '))
            continue;
        if (out.size() >= 60)
        {
            out += "...";
            break;
        }
        out += blank ? ' ' : (static_cast<unsigned char>(c) < 0x20 ? '?' : c);
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

void Checker::Warn(const Region& region, std::string what)
{
    ScriptWarning w;
    w.Region = region.number;
    w.RegionText = RegionText(region);
    w.Offset = m_Offset[region.open];
    w.Line = LineOf(w.Offset);
    w.What = std::move(what);
    m_Warnings.push_back(std::move(w));
}

void Checker::WarnAt(size_t offset, std::string what)
{
    ScriptWarning w;
    w.Offset = offset;
    w.Line = LineOf(offset);
    w.What = std::move(what);
    m_Warnings.push_back(std::move(w));
}

// The regions as NextRegion and RegionBody cut them. The reader collects a
// header's name across "[" and every "]" that does not close a known name, so
// the first text before a header, or the first unknown name, makes it consume
// the rest of the script silently: that is warned about, and nothing after it.
void Checker::ReadRegions()
{
    const std::string_view text = m_Text;
    size_t pos = 0;
    while (pos < text.size())
    {
        const auto rest = [&](size_t from)
        {
            const size_t headers =
                static_cast<size_t>(std::count(text.begin() + from, text.end(), '['));
            return headers == 0 ? std::string(": nothing after it is read")
                                : ": nothing after it is read (" + std::to_string(headers) +
                                      (headers == 1 ? " more region)" : " more regions)");
        };
        // The raw text from a position to the end of its line.
        const auto lineFrom = [&](size_t at)
        {
            const size_t begin = m_Offset[at];
            size_t end = m_Raw.find('\n', begin);
            if (end == std::string_view::npos)
                end = m_Raw.size();
            while (end > begin &&
                   (m_Raw[end - 1] == '\r' || m_Raw[end - 1] == ' ' || m_Raw[end - 1] == '\t'))
                --end;
            return QuoteRaw(begin, end);
        };
        if (text[pos] != '[')
        {
            // Only the start of the file: a body always runs up to the next "[".
            if (text.find('[', pos) == std::string_view::npos)
                WarnAt(m_Offset[pos], "text " + lineFrom(pos) +
                                          " outside any region: the script has no region header");
            else
                WarnAt(m_Offset[pos],
                       "text " + lineFrom(pos) + " before the first region header" + rest(pos));
            return;
        }
        std::string name;
        bool innerOpen = false;
        size_t innerAt = 0;
        size_t close = pos + 1;
        for (; close < text.size() && text[close] != ']'; ++close)
        {
            if (text[close] != '[')
                name += text[close];
            else if (!innerOpen)
            {
                innerOpen = true;
                innerAt = close;
            }
        }
        const RegionKind kind = close < text.size() ? HeaderKind(name) : NoRegion;
        if (kind == NoRegion)
        {
            const size_t offset = m_Offset[pos];
            if (close == text.size() || innerOpen)
            {
                const size_t end = innerOpen ? m_Offset[innerAt] : m_Raw.size();
                size_t lineEnd = m_Raw.find('\n', offset);
                lineEnd = std::min(lineEnd == std::string_view::npos ? m_Raw.size() : lineEnd, end);
                while (lineEnd > offset &&
                       std::isspace(static_cast<unsigned char>(m_Raw[lineEnd - 1])))
                    --lineEnd;
                WarnAt(offset, "region header " + QuoteRaw(offset, lineEnd) +
                                   " has no closing \"]\"" + rest(innerOpen ? innerAt : close));
                return;
            }
            const std::string header = QuoteRaw(offset, m_Offset[close] + 1);
            std::string what;
            for (const char* known : kHeaders)
                if (SameIgnoringCase(name, known))
                    what = "region header " + header + " is [" + known + "] in the wrong case";
            if (what.empty())
            {
                what = "unknown region header " + header;
                const char* near = Nearest(name, kHeaders, [](const char* h) { return h; });
                if (near && Distance(name, near) <= std::max<size_t>(2, name.size() / 3))
                    what += std::string(" (did you mean [") + near + "]?)";
                else
                    what += " (the headers are [MUSIC], [EFFECT], [MESSAGE] and [COLORSCHEME])";
            }
            WarnAt(offset, what + rest(close + 1));
            return;
        }
        Region region;
        region.number = static_cast<int>(m_Regions.size()) + 1;
        region.kind = kind;
        region.open = pos;
        region.close = close;
        size_t end = text.find('[', close + 1);
        if (end == std::string_view::npos)
            end = text.size();
        // The entries of the body, as FindValue meets them.
        for (size_t i = close + 1; i < end;)
        {
            Entry e;
            e.begin = i;
            bool inValue = false;
            for (; i < end && text[i] != ';'; ++i)
            {
                if (text[i] == '=')
                {
                    if (!inValue)
                        e.keyEnd = i;
                    inValue = true;
                }
                else if (inValue)
                {
                    e.value += text[i];
                    e.valueAt.push_back(i);
                }
                else
                    e.key += text[i];
            }
            if (!inValue)
                e.keyEnd = i;
            e.keyBegin = e.begin;
            e.end = i;
            e.closed = i < end;
            if (e.closed)
                ++i;
            if (e.end > e.begin)
                region.entries.push_back(std::move(e));
        }
        m_Regions.push_back(std::move(region));
        pos = end;
    }
}

const Entry* Checker::Find(const Region& region, const char* key)
{
    for (const Entry& e : region.entries)
        if (e.key == key)
            return &e;
    return nullptr;
}

// As FindValue answers true: the first entry of that key, ended by ";".
const Entry* Checker::Read(const Region& region, const char* key)
{
    const Entry* e = Find(region, key);
    return e && e->closed ? e : nullptr;
}

std::vector<Piece> Checker::Pieces(const Entry& entry, bool finalCommaCloses)
{
    std::vector<Piece> pieces;
    const std::string_view value = entry.value;
    size_t start = 0;
    for (;;)
    {
        size_t comma = value.find(',', start);
        const size_t end = comma == std::string_view::npos ? value.size() : comma;
        if (comma == std::string_view::npos && start == value.size() && finalCommaCloses)
            break;
        Piece p;
        p.text = value.substr(start, end - start);
        if (!p.text.empty())
        {
            p.first = entry.valueAt[start];
            p.last = entry.valueAt[end - 1];
        }
        pieces.push_back(p);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return pieces;
}

const ScriptEffectKind* Checker::FindKind(const std::string& name) const
{
    for (const ScriptEffectKind& kind : m_Kinds)
        if (kind.Name == name)
            return &kind;
    return nullptr;
}

std::vector<ScriptWarning> Checker::Run()
{
    Filter();
    ReadRegions();
    for (const Region& region : m_Regions)
        CheckEntries(region);
    // Messages last: a message may come before the effects it is sent to.
    for (size_t i = 0; i < m_Regions.size(); ++i)
        if (m_Regions[i].kind == EffectRegion)
            CheckEffect(i);
    for (size_t i = 0; i < m_Regions.size(); ++i)
        if (m_Regions[i].kind == MessageRegion)
            CheckMessage(i);
    CheckMusicLength();
    std::stable_sort(m_Warnings.begin(), m_Warnings.end(),
                     [](const ScriptWarning& a, const ScriptWarning& b)
                     { return a.Offset < b.Offset; });
    return std::move(m_Warnings);
}

void Checker::CheckEntries(const Region& region)
{
    if (region.entries.empty())
    {
        Warn(region, "the region has no fields");
        return;
    }
    const std::vector<Key>& keys = KeysOf(region.kind);
    for (const Entry& e : region.entries)
    {
        if (!e.closed && !(region.kind == MusicRegion && e.key == "FileName"))
            Warn(region,
                 "the last entry " + QuoteEntry(e) + " has no closing \";\": it is not read");
        const auto known =
            std::find_if(keys.begin(), keys.end(), [&](const Key& k) { return e.key == k.name; });
        if (known == keys.end())
        {
            if (e.key.empty())
            {
                Warn(region, "the entry " + QuoteEntry(e) + " has no key: it is ignored");
                continue;
            }
            std::string what = "unknown key " + Quote(e.keyBegin, e.keyEnd - 1);
            const char* near = Nearest(e.key, keys, [](const Key& k) { return k.name; });
            if (near && Distance(e.key, near) <= std::max<size_t>(2, e.key.size() / 3))
                what += std::string(" (did you mean ") + near + "?)";
            Warn(region, what + ": the entry is ignored");
            continue;
        }
        const Entry* first = Find(region, known->name);
        if (first != &e)
        {
            Warn(region, std::string(known->name) + " is given again (" + QuoteValue(e) +
                             "): only the first, " + QuoteValue(*first) + ", is read");
            continue;
        }
        if (e.closed || region.kind == MusicRegion)
            CheckValue(region, e, known->reading);
    }
}

void Checker::CheckValue(const Region& region, const Entry& e, Reading reading)
{
    switch (reading)
    {
    case Reading::Text:
        if (e.key == "EffectName" || e.key == "TargetEffect")
            CheckEffectName(region, e);
        return;
    case Reading::Time:
    case Reading::Integer:
    {
        Piece whole;
        whole.text = e.value;
        if (!e.valueAt.empty())
        {
            whole.first = e.valueAt.front();
            whole.last = e.valueAt.back();
        }
        CheckInteger(region, e.key, whole, reading);
        return;
    }
    case Reading::TimeList:
        // "1000," is one time, and an empty list sends nothing: both as meant.
        for (const Piece& p : Pieces(e, true))
            CheckInteger(region, e.key, p, Reading::Time);
        return;
    case Reading::RealList:
        for (const Piece& p : Pieces(e, false))
            if (!p.text.empty())
                CheckReal(region, p);
        return;
    case Reading::Color:
    {
        const std::vector<Piece> pieces = Pieces(e, false);
        for (size_t k = 0; k < pieces.size() && k < 3; ++k)
            if (!pieces[k].text.empty())
                CheckInteger(region, e.key, pieces[k], Reading::Color);
        if (pieces.size() > 3)
            Warn(region, e.key + " " + QuoteValue(e) + " has " + std::to_string(pieces.size()) +
                             " components: those after the third are ignored");
        return;
    }
    }
}

// What ReadInteger makes of a piece, when that is not what the piece says.
void Checker::CheckInteger(const Region& region, const std::string& key, const Piece& piece,
                           Reading reading)
{
    const std::string_view text = piece.text;
    const int32_t value = ScriptParser::ReadInteger(text);
    const bool time = reading == Reading::Time;
    const std::string readAs = ": read as " + std::to_string(value) + (time ? " ms" : "");
    if (text.empty())
    {
        Warn(region, key + " is empty" + readAs);
        return;
    }
    const std::string quoted = key + " " + Quote(piece.first, piece.last);
    size_t i = text[0] == '-' ? 1 : 0;
    const size_t digits = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    if (i == digits)
    {
        Warn(region, quoted + " is not a number" + readAs);
        return;
    }
    if (i < text.size())
    {
        const std::string_view tail = text.substr(i);
        if (tail[0] == '.')
        {
            Warn(region, quoted + " has a fraction" + readAs +
                             (time ? " (times are whole milliseconds)" : ""));
            return;
        }
        std::string lower(tail);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        static const char* const seconds[] = {"s", "sec", "secs", "second", "seconds"};
        static const char* const units[] = {"ms", "msec", "msecs", "min", "h", "px"};
        const bool inSeconds =
            std::find(std::begin(seconds), std::end(seconds), lower) != std::end(seconds);
        if (inSeconds || std::find(std::begin(units), std::end(units), lower) != std::end(units))
        {
            std::string hint;
            if (time && inSeconds)
                hint = " (times are milliseconds: " + std::to_string(value) + " s is " +
                       std::to_string(int64_t(value) * 1000) + ")";
            Warn(region, quoted + " has a unit" + readAs + hint);
        }
        else
            Warn(region, quoted + " has trailing text" + readAs);
        return;
    }
    // Only digits: beyond the 32-bit range the reading is held at its bounds.
    const bool negative = text[0] == '-';
    std::string_view number = text.substr(negative ? 1 : 0);
    while (number.size() > 1 && number[0] == '0')
        number.remove_prefix(1);
    const std::string bound = negative ? "2147483648" : "2147483647";
    if (number.size() > bound.size() || (number.size() == bound.size() && number > bound))
    {
        Warn(region, quoted + " is out of range" + readAs);
        return;
    }
    if (negative && value != 0 && reading == Reading::Color)
        Warn(region, quoted + " is negative: the component becomes " +
                         std::to_string(static_cast<uint32_t>(value) / 255) +
                         " times the full colour");
    else if (negative && value != 0 && time && key == "ActivationTime")
        Warn(region, quoted + " is negative: read as " +
                         std::to_string(static_cast<uint32_t>(value)) + " ms");
}

// What ReadReal makes of a piece, when the piece holds more than a number.
void Checker::CheckReal(const Region& region, const Piece& piece)
{
    const std::string_view text = piece.text;
    size_t digits = 0;
    const size_t length = ScriptParser::RealLength(text, digits);
    char value[32];
    std::snprintf(value, sizeof value, "%g", static_cast<double>(ScriptParser::ReadReal(text)));
    const std::string quoted = "Parameter " + Quote(piece.first, piece.last);
    if (digits == 0)
    {
        Warn(region, quoted + " is not a number: read as " + value);
        return;
    }
    if (length < text.size())
        Warn(region, quoted + " has trailing text: read as " + value);
}

void Checker::CheckEffectName(const Region& region, const Entry& e)
{
    if (FindKind(e.value))
        return;
    if (e.value.empty())
    {
        Warn(region, e.key + " is empty: no effect has that name");
        return;
    }
    std::string what = e.key + " " + QuoteValue(e) + " is not a registered effect";
    if (const char* near =
            Nearest(e.value, m_Kinds, [](const ScriptEffectKind& k) { return k.Name.c_str(); }))
        what += std::string(" (did you mean ") + near + "?)";
    Warn(region, what);
}

// The timeline entry an EFFECT region gives, under HandleEffect's rules.
void Checker::CheckEffect(size_t index)
{
    const Region& region = m_Regions[index];
    const Entry* name = Read(region, "EffectName");
    const Entry* start = Read(region, "StartTime");
    const Entry* stop = Read(region, "StopTime");
    const Entry* layer = Read(region, "LayerID");
    if (!name || !start || !stop || !layer || !FindKind(name->value))
        return;
    const int32_t startMs = ScriptParser::ReadInteger(start->value);
    const int32_t stopMs = ScriptParser::ReadInteger(stop->value);
    if (startMs < 0 || stopMs < startMs)
        return; // reported by the reader
    m_Spans[name->value].push_back(
        {static_cast<uint32_t>(startMs), static_cast<uint32_t>(stopMs), index});
}

// The messages a MESSAGE region gives, under HandleMessage's rules: the text
// must be one the target declared, and each must be due while the target is
// on the timeline, stopping excluded (a frame seldom falls on it exactly).
void Checker::CheckMessage(size_t index)
{
    const Region& region = m_Regions[index];
    const Entry* text = Read(region, "MessageText");
    const Entry* times = Read(region, "ActivationTime");
    const Entry* target = Read(region, "TargetEffect");
    if (!text || !times || !target)
        return; // reported by the reader
    const ScriptEffectKind* kind = FindKind(target->value);
    const Entry* steps = Read(region, "Steps");
    const Entry* delta = Read(region, "TimeDelta");
    const std::vector<Piece> pieces = Pieces(*times, true);
    if (pieces.size() != 1 && (steps || delta))
        Warn(region, std::string(steps && delta ? "Steps and TimeDelta are"
                                 : steps        ? "Steps is"
                                                : "TimeDelta is") +
                         " ignored: ActivationTime " +
                         (pieces.empty() ? "is empty"
                                         : "lists " + std::to_string(pieces.size()) + " times"));
    else if (pieces.size() == 1 && (steps != nullptr) != (delta != nullptr))
        Warn(region,
             steps ? "Steps is ignored without TimeDelta" : "TimeDelta is ignored without Steps");

    uint64_t count = pieces.size();
    int32_t n = 0, d = 0;
    if (pieces.size() == 1 && steps && delta)
    {
        n = ScriptParser::ReadInteger(steps->value);
        d = ScriptParser::ReadInteger(delta->value);
        if (n > 1)
            count = static_cast<uint64_t>(n);
    }
    const Entry* parameter = Read(region, "Parameter");
    const uint64_t values = count * (parameter ? Pieces(*parameter, false).size() : 0);
    if (count > ScriptParser::kMaxRegionMessages ||
        values > ScriptParser::kMaxRegionParameterValues ||
        m_ScriptMessages + count > ScriptParser::kMaxScriptMessages ||
        m_ScriptParameterValues + values > ScriptParser::kMaxScriptParameterValues)
        return; // skipped and reported by the reader
    m_ScriptMessages += count;
    m_ScriptParameterValues += values;
    if (!kind)
        return; // warned about with its name

    const std::string said = QuoteValue(*text);
    if (std::find(kind->Messages.begin(), kind->Messages.end(), text->value) ==
        kind->Messages.end())
    {
        std::string takes;
        for (const std::string& m : kind->Messages)
            takes += (takes.empty() ? "" : ", ") + m;
        Warn(region, kind->Messages.empty()
                         ? kind->Name + " takes no messages: " + said + " does nothing"
                         : kind->Name + " does not take the message " + said + " (it takes " +
                               takes + "): it does nothing");
    }

    // The target's spans merged, in order: a message at t reaches it when
    // some span holds start <= t < stop.
    std::vector<std::pair<uint32_t, uint32_t>> on;
    for (const EffectSpan& span : m_Spans[kind->Name])
        on.emplace_back(span.start, span.stop);
    std::sort(on.begin(), on.end());
    size_t merged = 0;
    for (size_t i = 1; i < on.size(); ++i)
        if (on[i].first <= on[merged].second)
            on[merged].second = std::max(on[merged].second, on[i].second);
        else
            on[++merged] = on[i];
    on.resize(on.empty() ? 0 : merged + 1);
    // The first span that starts after t.
    const auto after = [&](uint32_t t)
    {
        return std::upper_bound(on.begin(), on.end(), t,
                                [](uint32_t v, const std::pair<uint32_t, uint32_t>& span)
                                { return v < span.first; });
    };
    const auto lost = [&](uint32_t t)
    {
        const auto next = after(t);
        return next == on.begin() || t >= std::prev(next)->second;
    };
    // Why a message at t finds its target off the timeline.
    const auto why = [&](uint32_t t)
    {
        if (on.empty())
            return "but " + kind->Name + " is never on the timeline";
        if (t < on.front().first)
            return "before " + kind->Name + " starts (" + Seconds(on.front().first) + ")";
        if (t == on.back().second)
            return "the moment " + kind->Name + " stops (" + Seconds(on.back().second) + ")";
        if (t > on.back().second)
            return "after " + kind->Name + " stops (" + Seconds(on.back().second) + ")";
        const auto next = after(t);
        return "while " + kind->Name + " is off the timeline (" + Seconds(std::prev(next)->second) +
               " to " + Seconds(next->first) + ")";
    };
    const size_t kShown = 3;
    uint64_t lostCount = 0;
    const auto visit = [&](uint32_t t)
    {
        if (!lost(t))
            return;
        if (++lostCount <= kShown)
            Warn(region, said + " due at " + Seconds(t) + ", " + why(t) + ": it will be lost");
    };
    uint32_t t = 0;
    for (const Piece& p : pieces)
        visit(t = static_cast<uint32_t>(ScriptParser::ReadInteger(p.text)));
    for (int32_t k = 1; k < n; ++k)
        visit(t += static_cast<uint32_t>(d));
    if (lostCount > kShown)
        Warn(region,
             std::to_string(lostCount - kShown) + " more messages of this region will be lost");
}

void Checker::CheckMusicLength()
{
    if (m_MusicMs < 0)
        return;
    const EffectSpan* last = nullptr;
    for (const auto& [name, spans] : m_Spans)
        for (const EffectSpan& s : spans)
            if (!last || s.stop > last->stop || (s.stop == last->stop && s.region < last->region))
                last = &s;
    if (!last || static_cast<int64_t>(last->stop) <= m_MusicMs + 1000)
        return;
    Warn(m_Regions[last->region], "the timeline ends at " + Seconds(last->stop) + ", " +
                                      Seconds(static_cast<uint64_t>(last->stop - m_MusicMs)) +
                                      " after the music ends (" +
                                      Seconds(static_cast<uint64_t>(m_MusicMs)) + ")");
}

} // namespace

std::vector<ScriptWarning>
CheckScriptText(std::string_view raw, const std::vector<ScriptEffectKind>& kinds, int64_t musicMs)
{
    return Checker(raw, kinds, musicMs).Run();
}
