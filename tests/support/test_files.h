// Files for the tests: a scratch folder removed with its contents, a file's
// bytes, and the sample models kept beside the repository.
#ifndef RILO_TESTS_TEST_FILES_H
#define RILO_TESTS_TEST_FILES_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// A fresh folder in the system's temporary folder, gone with the object.
class ScratchDir {
public:
    explicit ScratchDir(const std::string &name)
        : path_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::string slurp(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Whether the sample models are there.  A CI machine has them, so there
// their absence is a failure; elsewhere the caller skips.
inline bool sample_models_present(const std::filesystem::path &dir)
{
    if (std::filesystem::is_directory(dir)) return true;
    const char *ci = std::getenv("CI");
    if (ci != nullptr && std::strcmp(ci, "true") == 0) ADD_FAILURE() << "no sample models at " << dir;
    return false;
}

#define SKIP_WITHOUT_SAMPLE_MODELS(dir)                                                                                \
    if (!sample_models_present(dir))                                                                                   \
    GTEST_SKIP() << "no sample models at " << (dir) << " (cmake -DRILO_MODELS_DIR=DIR sets the folder)"

#endif
