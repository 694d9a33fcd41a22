#include "SoundFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace sound_test
{

namespace
{

// ProTracker "M.K." module: 31 sample headers, one pattern of 64 rows x 4
// channels. Sample 1 is one looped cycle of a 32-byte sine.
std::vector<uint8_t> MakeModule()
{
    std::vector<uint8_t> m(1084 + 64 * 4 * 4, 0);
    const char title[] = "vortexel test";
    std::copy(title, title + sizeof title - 1, m.begin());
    for (int s = 0; s < 31; ++s)
        m[20 + s * 30 + 29] = 1; // repeat length 1 word: no loop
    uint8_t* s1 = &m[20];
    s1[23] = 16; // length in words
    s1[25] = 64; // volume
    s1[29] = 16; // repeat the whole sample
    m[950] = 1;  // song length
    m[951] = 127;
    m[1080] = 'M', m[1081] = '.', m[1082] = 'K', m[1083] = '.';
    auto cell = [&](int row, int channel) { return &m[1084 + (row * 4 + channel) * 4]; };
    uint8_t* note = cell(8, 0); // sample 1, period 428
    note[0] = 0x01, note[1] = 0xAC, note[2] = 0x10;
    cell(15, 1)[2] = 0x0D; // pattern break: the song ends after row 15
    for (int i = 0; i < 32; ++i)
        m.push_back(
            static_cast<uint8_t>(static_cast<int8_t>(std::lround(127 * std::sin(i * M_PI / 16)))));
    return m;
}

bool Make(const std::string& name, const std::string& path)
{
    static const std::map<std::string, std::string> sox = {
        {"tone440.wav", "-r 44100 -c 2 -b 16 %s synth 0.5 sine 440 gain -n -0.05"},
        {"tone1000.wav", "-r 44100 -c 2 -b 16 %s synth 0.5 sine 1000 gain -n -0.05"},
        {"short.wav", "-r 44100 -c 2 -b 16 %s synth 0.2 sine 440 gain -n -0.05"},
        {"mono22k.wav", "-r 22050 -c 1 -b 16 %s synth 0.5 sine 440 gain -n -0.05"},
        {"onset.wav", "-r 44100 -c 2 -b 16 %s synth 1 sine 1000 pad 1 0"},
        {"onset.flac", "-r 44100 -c 2 -b 16 %s synth 1 sine 1000 pad 1 0"},
        {"onset.ogg", "-r 44100 -c 2 %s synth 1 sine 1000 pad 1 0"},
        {"onset.mp3", "-r 44100 -c 2 %s synth 1 sine 1000 pad 1 0"},
    };
    auto it = sox.find(name);
    if (it != sox.end())
    {
        char args[256];
        std::snprintf(args, sizeof args, it->second.c_str(), ("'" + path + "'").c_str());
        return std::system(("sox -q -n " + std::string(args)).c_str()) == 0;
    }
    std::ofstream out(path, std::ios::binary);
    if (name == "onset.mod" || name == "mod_named.wav")
    {
        std::vector<uint8_t> mod = MakeModule();
        out.write(reinterpret_cast<const char*>(mod.data()),
                  static_cast<std::streamsize>(mod.size()));
    }
    else if (name == "notsound.wav")
        out << "This is not a sound file.\n";
    else
        return false;
    return static_cast<bool>(out);
}

} // namespace

std::string DataDir()
{
    fs::path dir = fs::absolute("sound_files") / "dAtA";
    fs::create_directories(dir);
    return dir.string();
}

std::string SoundFile(const std::string& name)
{
    const std::string path = DataDir() + "/" + name;
    if (!fs::exists(path))
    {
        // Made under a private name and renamed: test processes run in parallel.
        const std::string tmp = DataDir() + "/tmp" + std::to_string(getpid()) + "_" + name;
        if (!Make(name, tmp))
            ADD_FAILURE() << "cannot make test file " << name;
        std::error_code error;
        fs::rename(tmp, path, error);
    }
    return path;
}

} // namespace sound_test
