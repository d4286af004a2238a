// Any bytes given to the .ac reader end in a model or in ac::Error; a model
// read is written, and its text reads back to a model that writes the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "acfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ac::ReadOptions options;
    options.warn = [](const std::string &) {};
    options.progress = false;
    ac::Model model;
    try {
        model = ac::read_text(std::string(reinterpret_cast<const char *>(data), size), "fuzz.ac", options);
    } catch (const ac::Error &) {
        return 0;
    }
    const std::string once = ac::write_text(model);
    const std::string twice = ac::write_text(ac::read_text(once, "written.ac", options));
    if (once != twice) std::abort();
    return 0;
}
