// A file's stamp, taken when a model is read (mapped or copied) or written,
// against what another program does to the file afterwards.
#include "acfile.h"
#include "files/digest.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>

namespace fs = std::filesystem;

namespace {

// A model of some hundred kilobytes, so that the writer hands its bytes over
// in many pieces.
std::string model_text()
{
    std::string text = "AC3Db\nOBJECT world\nkids 1\nOBJECT poly\nnumvert 6000\n";
    for (int i = 0; i < 6000; ++i) text += std::to_string(i) + " 0.25 -" + std::to_string(i % 7) + "\n";
    return text + "kids 0\n";
}

void put(const fs::path &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

TEST(FileStamp, TellsWhatAnotherProgramDidToTheFileSinceItWasReadOrWritten)
{
    ScratchDir dir("file_stamp");
    const fs::path file = dir / "m.ac";
    const std::string text = model_text();
    using Take = std::function<ac::FileStamp()>;
    const std::pair<const char *, Take> takers[] = {
        {"mapped", [&] { return ac::read_file(file.string()).store->stamp(); }},
        {"copied",
         [&] {
             ac::ReadOptions copy;
             copy.copy_text = true;
             return ac::read_file(file.string(), copy).store->stamp();
         }},
        {"written",
         [&] {
             ac::WriteOptions digested;
             digested.replace.digest = true;
             return ac::write_file(ac::read_text(text, "m.ac"), file.string(), digested);
         }},
    };
    const struct {
        const char *done;
        std::function<void()> act;
        const char *told;  // how it begins
    } cases[] = {
        {"nothing", [] {}, ""},
        {"touched", [&] { fs::last_write_time(file, fs::last_write_time(file) + std::chrono::hours(1)); }, ""},
        {"same size in place", [&] { std::fstream(file, std::ios::in | std::ios::out) << "AC3Dc"; },
         "changed in place"},
        {"grown in place", [&] { std::ofstream(file, std::ios::app) << "\n"; }, "changed in place"},
        {"renamed over", [&] { put(dir / "new", text), fs::rename(dir / "new", file); }, "replaced by another file"},
        {"removed", [&] { fs::remove(file); }, "removed"},
    };
    for (const auto &[how, take] : takers) {
        for (const auto &c : cases) {
            put(file, text);
            const ac::FileStamp stamp = take();
            c.act();
            const std::string told = ac::file_changes(file.string(), stamp);
            EXPECT_EQ(told.substr(0, std::string(c.told).size()), c.told) << how << ", " << c.done << ": " << told;
            EXPECT_EQ(told.empty(), *c.told == '\0') << how << ", " << c.done << ": " << told;
        }
    }
}

TEST(FileStamp, TheDigestOfPiecesIsThatOfTheWhole)
{
    const std::string text = model_text();
    for (std::size_t piece : {1u, 7u, 31u, 32u, 33u, 4096u, 100000u}) {
        ac::detail::StreamDigest d;
        for (std::size_t at = 0; at < text.size(); at += piece)
            d.add(text.data() + at, std::min(piece, text.size() - at));
        EXPECT_EQ(d.finish(), ac::detail::digest_of(text.data(), text.size())) << piece;
    }
}

}  // namespace
