#include "script/ScriptParser.h"

#include "core/DemoCore.h"
#include "core/ErrorBox.h"
#include "platform/Events.h"
#include "platform/Interrupt.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sys/stat.h>
#include <vector>

namespace
{

const char* const kContext = "Script Parser";

// The bytes that survive the filter outside comments.
struct KeepTable
{
    bool keep[256] = {};
    KeepTable()
    {
        for (int c = 'a'; c <= 'z'; ++c)
            keep[c] = true;
        for (int c = 'A'; c <= 'Z'; ++c)
            keep[c] = true;
        for (int c = '0'; c <= '9'; ++c)
            keep[c] = true;
        for (unsigned char c : std::string_view("[].,;_=-"))
            keep[c] = true;
    }
};
const KeepTable kKeep;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// False when what survives the filter grows past kMaxScriptBytes, or on an
// interrupt.
bool ReadStripped(std::FILE* file, std::string& out)
{
    struct stat st;
    if (::fstat(::fileno(file), &st) == 0 && st.st_size > 0)
        out.reserve(static_cast<size_t>(
            std::min<uint64_t>(static_cast<uint64_t>(st.st_size), ScriptParser::kMaxScriptBytes)));
    bool comment = false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    {
        if (platform::InterruptRequested())
            return false;
        ScriptParser::Strip(std::string_view(buffer, n), comment, out);
        if (out.size() > ScriptParser::kMaxScriptBytes)
            return false;
    }
    return true;
}

RegionKind HeaderKind(const std::string& name)
{
    if (name == "MUSIC")
        return MusicRegion;
    if (name == "EFFECT")
        return EffectRegion;
    if (name == "MESSAGE")
        return MessageRegion;
    if (name == "COLORSCHEME")
        return ColorSchemeRegion;
    return NoRegion;
}

// The pieces of an ActivationTime list: none for an empty text; a "," at the
// very end closes the last piece instead of opening a new one.
std::vector<std::string_view> SplitTimes(std::string_view text)
{
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (start < text.size())
    {
        size_t comma = text.find(',', start);
        if (comma == std::string_view::npos)
        {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return pieces;
}

// The Parameter list: one piece more than there are commas, empty pieces read 0.
std::vector<float> ReadParameters(std::string_view text)
{
    std::vector<float> values;
    size_t start = 0;
    for (;;)
    {
        size_t comma = text.find(',', start);
        values.push_back(ScriptParser::ReadReal(text.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            return values;
        start = comma + 1;
    }
}

void Report(const char* lead, std::string_view body, const std::string& detail, const char* closing)
{
    std::string message = lead;
    message.append(body.data(), body.size());
    message += detail;
    message += closing;
    ShowInfo(kContext, message);
}

} // namespace

void ScriptParser::Strip(std::string_view raw, bool& comment, std::string& out)
{
    for (char ch : raw)
    {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '#')
            comment = !comment;
        else if (!comment && kKeep.keep[c])
            out += ch;
    }
}

bool ScriptParser::FindValue(std::string_view body, std::string_view key, std::string& out)
{
    // The entry's name is every character since the last ";" except "=", so
    // it is compared with key as it grows instead of being collected.
    size_t matched = 0;
    bool differs = false;
    bool inValue = false;
    for (char c : body)
    {
        if (c != '=' && c != ';')
        {
            if (inValue)
                out += c;
            else if (!differs && matched < key.size() && key[matched] == c)
                ++matched;
            else
                differs = true;
            continue;
        }
        if (!differs && matched == key.size())
            inValue = true;
        if (c == ';')
        {
            if (inValue)
                return true;
            matched = 0;
            differs = false;
        }
    }
    return false;
}

int32_t ScriptParser::ReadInteger(std::string_view text)
{
    const int64_t limit = int64_t(1) << 31;
    size_t i = 0;
    bool negative = i < text.size() && text[i] == '-';
    if (negative)
        ++i;
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        if (value <= limit) // beyond it the result saturates anyway
            value = value * 10 + (text[i] - '0');
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

size_t ScriptParser::RealLength(std::string_view text, size_t& digits)
{
    size_t i = 0;
    if (i < text.size() && text[i] == '-')
        ++i;
    digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && IsDigit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return i;
    // The exponent counts only with at least one digit.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E'))
    {
        size_t j = i + 1;
        if (j < text.size() && text[j] == '-')
            ++j;
        if (j < text.size() && IsDigit(text[j]))
            for (i = j; i < text.size() && IsDigit(text[i]); ++i)
            {
            }
    }
    return i;
}

float ScriptParser::ReadReal(std::string_view text)
{
    size_t digits = 0;
    const size_t length = RealLength(text, digits);
    if (digits == 0)
        return 0.0f;
    const char* first = text.data();
    const char* last = first + length;
    double value = 0.0;
#ifdef __EMSCRIPTEN__
    // Browser build: Emscripten's C++ library has no from_chars for double;
    // its strtod (C locale only) rounds the checked text the same way.
    value = std::strtod(std::string(first, last).c_str(), nullptr);
#else
    auto result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range)
        value = std::strtod(std::string(first, last).c_str(), nullptr);
#endif
    // Out of the float range the conversion is not defined by the language:
    // give what an IEEE conversion gives.
    if (value > FLT_MAX)
        return std::numeric_limits<float>::infinity();
    if (value < -FLT_MAX)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

void ScriptParser::ParseColor(std::string_view text, TColor& color)
{
    float* components[3] = {&color.r, &color.g, &color.b};
    size_t start = 0;
    for (size_t k = 0;; ++k)
    {
        size_t comma = text.find(',', start);
        if (k < 3)
        {
            uint32_t v = static_cast<uint32_t>(ReadInteger(text.substr(start, comma - start)));
            *components[k] = static_cast<float>(v / 255.0);
        }
        if (comma == std::string_view::npos)
            return;
        start = comma + 1;
    }
}

bool ScriptParser::Parse(std::string fileName)
{
    return ParsePath(platform::DataPath(fileName));
}

bool ScriptParser::ParsePath(const std::string& path)
{
    std::string stripped;
    if (!ReadScript(path, stripped))
        return false;
    HandleRegions(stripped);
    return true;
}

bool ScriptParser::ReadScript(const std::string& path, std::string& stripped)
{
    std::FILE* file = OpenFile(path, "rb");
    if (!file)
        return false;
    stripped.clear();
    bool read = ReadStripped(file, stripped);
    CloseFile(file);
    if (!read)
    {
        stripped.clear();
        if (!platform::InterruptRequested())
        {
            ShowError(kContext, path + ": Script Too Large (more than " +
                                    std::to_string(kMaxScriptBytes >> 20) + " MiB of script text)");
            platform::PostQuitRequest(true);
        }
        return false;
    }
    return true;
}

bool ScriptParser::ReadScriptQuietly(const std::string& path, std::string& stripped)
{
    std::FILE* file = platform::OpenRegularFile(path, "rb");
    if (!file)
        return false;
    stripped.clear();
    bool read = ReadStripped(file, stripped);
    std::fclose(file);
    return read;
}

std::vector<std::string> ScriptParser::MusicNames(std::string_view stripped)
{
    std::vector<std::string> names;
    ScriptParser walker;
    size_t pos = 0;
    while (pos < stripped.size())
    {
        RegionKind kind = walker.NextRegion(stripped, pos);
        std::string_view body = walker.RegionBody(stripped, pos);
        if (kind != MusicRegion)
            continue;
        // As HandleMusic reads it: a last entry without ";" still names the file.
        std::string name;
        FindValue(body, "FileName", name);
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

void ScriptParser::ParseText(std::string_view raw)
{
    std::string stripped;
    bool comment = false;
    Strip(raw, comment, stripped);
    HandleRegions(stripped);
}

void ScriptParser::HandleRegions(std::string_view stripped)
{
    if (!m_Core)
        return; // nothing to feed
    m_ScriptMessages = 0;
    m_ScriptParameterValues = 0;
    size_t pos = 0;
    while (pos < stripped.size() && !platform::InterruptRequested())
    {
        RegionKind kind = NextRegion(stripped, pos);
        std::string_view body = RegionBody(stripped, pos);
        switch (kind)
        {
        case MusicRegion:
            HandleMusic(body);
            break;
        case EffectRegion:
            HandleEffect(body);
            break;
        case MessageRegion:
            HandleMessage(body);
            break;
        case ColorSchemeRegion:
            HandleColorScheme(body);
            break;
        case NoRegion:
            break;
        }
    }
}

// The name is collected across "[" and unmatched "]", so text before the first
// header or an unknown name spoils every later header and the rest of the
// text is consumed. Only a name's first 12 characters are kept: no longer name
// can match.
RegionKind ScriptParser::NextRegion(std::string_view text, size_t& pos)
{
    std::string regionName;
    bool inHeader = false;
    RegionKind kind = NoRegion;
    while (pos < text.size() && kind == NoRegion)
    {
        char c = text[pos++];
        if (c == '[')
            inHeader = true;
        else if (c == ']' && inHeader)
            kind = HeaderKind(regionName);
        else if (regionName.size() < 12)
            regionName += c;
    }
    return kind;
}

std::string_view ScriptParser::RegionBody(std::string_view text, size_t& pos)
{
    size_t end = text.find('[', pos);
    if (end == std::string_view::npos)
        end = text.size();
    std::string_view body = text.substr(pos, end - pos);
    pos = end;
    return body;
}

void ScriptParser::HandleEffect(std::string_view body)
{
    std::string name, start, stop, layer;
    if (FindValue(body, "EffectName", name) && FindValue(body, "StartTime", start) &&
        FindValue(body, "StopTime", stop) && FindValue(body, "LayerID", layer))
    {
        // Times are unsigned milliseconds: a negative one would wrap to a
        // demo of 49 days.
        const int32_t startMs = ReadInteger(start);
        const int32_t stopMs = ReadInteger(stop);
        const char* wrongTime = stopMs < 0         ? "\n\n\t\tNEGATIVE STOP TIME"
                                : startMs < 0      ? "\n\n\t\tNEGATIVE START TIME"
                                : stopMs < startMs ? "\n\n\t\tSTOP TIME BEFORE START TIME"
                                                   : nullptr;
        if (wrongTime)
        {
            Report("Error in Effect: \n", body, wrongTime, "\n\nThis Effect will be skipped");
            return;
        }
        m_Core->AddEffect(static_cast<uint32_t>(startMs), static_cast<uint32_t>(stopMs), name,
                          ReadInteger(layer));
        return;
    }
    // The first key in lookup order whose text is empty.
    std::string wrongDef;
    if (layer.empty())
        wrongDef = "\n\n\t\tNO LAYER ID DEFINED";
    if (stop.empty())
        wrongDef = "\n\n\t\tNO STOP TIME DEFINED";
    if (start.empty())
        wrongDef = "\n\n\t\tNO START TIME DEFINED";
    if (name.empty())
        wrongDef = "\n\n\t\tNO EFFECT NAME DEFINED";
    Report("Error in Effect: \n", body, wrongDef, "\n\nThis Effect will be skipped");
}

void ScriptParser::HandleMessage(std::string_view body)
{
    std::string text, times, target;
    if (!(FindValue(body, "MessageText", text) && FindValue(body, "ActivationTime", times) &&
          FindValue(body, "TargetEffect", target)))
    {
        std::string wrongDef;
        if (target.empty())
            wrongDef = "\n\n\t\tNO TARGET EFFECT DEFINED";
        if (times.empty())
            wrongDef = "\n\n\t\tNO ACTIVATION TIME DEFINED";
        if (text.empty())
            wrongDef = "\n\n\t\tNO MESSAGE TEXT DEFINED";
        Report("Error in Message: \n", body, wrongDef, "\n\nThis Message will be skipped");
        return;
    }

    std::string parameterText;
    std::vector<float> parameters;
    if (FindValue(body, "Parameter", parameterText))
        parameters = ReadParameters(parameterText);
    const float* params = parameters.empty() ? nullptr : parameters.data();
    const int32_t count = static_cast<int32_t>(parameters.size());

    std::vector<std::string_view> pieces = SplitTimes(times);
    uint64_t messages = pieces.size();
    int32_t steps = 0;
    int32_t delta = 0;
    if (pieces.size() == 1)
    {
        std::string stepsText, deltaText;
        if (FindValue(body, "Steps", stepsText) && FindValue(body, "TimeDelta", deltaText))
        {
            // A negative count means no repetition, like 0 and 1.
            steps = ReadInteger(stepsText);
            delta = ReadInteger(deltaText);
            if (steps > 1)
                messages = static_cast<uint64_t>(steps);
        }
    }
    const uint64_t values = messages * parameters.size();
    const char* tooMany = nullptr;
    if (messages > kMaxRegionMessages)
        tooMany = "\n\n\t\tTOO MANY MESSAGES";
    else if (values > kMaxRegionParameterValues)
        tooMany = "\n\n\t\tTOO MANY PARAMETER VALUES";
    else if (m_ScriptMessages + messages > kMaxScriptMessages)
        tooMany = "\n\n\t\tTOO MANY MESSAGES IN THE SCRIPT";
    else if (m_ScriptParameterValues + values > kMaxScriptParameterValues)
        tooMany = "\n\n\t\tTOO MANY PARAMETER VALUES IN THE SCRIPT";
    if (tooMany)
    {
        Report("Error in Message: \n", body, tooMany, "\n\nThis Message will be skipped");
        return;
    }
    m_ScriptMessages += messages;
    m_ScriptParameterValues += values;

    // An unknown target is reported once for the region, not once per
    // message: a million steps would be a million boxes.
    uint32_t t = 0;
    for (std::string_view piece : pieces)
    {
        t = static_cast<uint32_t>(ReadInteger(piece));
        if (!m_Core->AddMessage(t, text, params, count, target))
            return;
    }
    for (int32_t k = 1; k < steps; ++k)
    {
        t += static_cast<uint32_t>(delta); // wraps like the unsigned milliseconds it is
        if (!m_Core->AddMessage(t, text, params, count, target))
            return;
    }
}

void ScriptParser::HandleMusic(std::string_view body)
{
    // The answer does not count: a last entry without ";" still names the file.
    std::string fileName;
    FindValue(body, "FileName", fileName);
    if (!fileName.empty())
        m_Core->LoadMusic(fileName);
    else
        Report("Error in Music: ", body, "",
               "\n\n\t\tNO MUSIC AVAILABLE\n\nThis Music Region will be skipped");
}

void ScriptParser::HandleColorScheme(std::string_view body)
{
    std::string global, support, flow;
    if (FindValue(body, "GlobalColor", global) && FindValue(body, "SupportColor", support) &&
        FindValue(body, "FlowColor", flow))
    {
        TColorScheme scheme;
        ParseColor(global, scheme.GlobalColor);
        ParseColor(support, scheme.SupportColor);
        ParseColor(flow, scheme.FlowColor);
        m_Core->SetColorScheme(scheme);
        return;
    }
    Report("Error in ColorScheme: \n", body, "",
           "\n\n\t\tWRONG COLOR DEFINITION\n\nThis Color Scheme will be skipped");
}
