// Reads values of every kind out of an arbitrary dependency file, with a text
// buffer far smaller than the words in it.
#include "framework/ExternalDependency.h"
#include "platform/MessageBox.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string name = "/tmp/vortexel_fuzz_dep_" + std::to_string(getpid());
    platform::SetMessageBoxEcho(false);
    std::FILE* f = std::fopen((name + ".dep").c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    {
        ExternalDependency dep(name);
        // The first word of the input is a key that is surely present.
        std::string first;
        for (size_t i = 0; i < size && first.size() < 300; ++i)
        {
            char c = static_cast<char>(data[i]);
            if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            {
                if (!first.empty())
                    break;
                continue;
            }
            first.push_back(c);
        }
        for (const char* key : {first.c_str(), "a", "speed"})
        {
            char text[8] = "x";
            int32_t i = 1;
            float r = 1.0f;
            dep.ReadValue(text, key, DependencyText, sizeof text);
            dep.GetOrStore(&i, key, DependencyInteger, sizeof i);
            dep.ReadValue(&r, key, DependencyReal, sizeof r);
        }
    }
    std::remove((name + ".dep").c_str());
    return 0;
}
