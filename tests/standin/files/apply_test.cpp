// The apply job against the real command: what it counts and writes for
// selections that reach a vertex more than once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "acscene.h"
#include "apply.h"
#include "coordinates.h"
#include "host.h"
#include "rilo.h"
#include "selection.h"
#include "test_files.h"

namespace fs = std::filesystem;
using namespace standin;

namespace {

// A group "g" holding "a", beside "b"; vertices spread along x.
const char *const kModel = "AC3Db\n"
                           "MATERIAL \"m\" rgb 1 1 1  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.5 0.5 0.5  shi 10  trans 0\n"
                           "OBJECT world\nkids 2\n"
                           "OBJECT poly\nname \"g\"\nnumvert 2\n0.1 0 0\n0.35 0 0\nkids 1\n"
                           "OBJECT poly\nname \"a\"\nnumvert 3\n0.6 0 0\n0.85 0 0\n1.2 0 0\n"
                           "numsurf 1\nSURF 0x10\nmat 0\nrefs 3\n0 0 0\n1 0 0\n2 0 0\nkids 0\n"
                           "OBJECT poly\nname \"b\"\nnumvert 2\n1.45 0 0\n1.7 0 0\nkids 0\n";

std::vector<Vertex> positions_in(const fs::path &file)
{
    load_scene(host(), file.string());
    std::vector<Vertex> all;
    host().scene().for_each_object([&](Object &o) {
        for (const auto &v : o.vertices) all.push_back(v.v);
    });
    return all;
}

TEST(ApplyJob, CountsEachVertexOnceWhateverTheSelectionReaches)
{
    Host &h = host();
    h.echo = false;
    h.forget_registrations();
    ASSERT_EQ(ac_add_command_full("pjtrilo_go", sine_deform_command, 7, AC_CMD_ARGV, "", ""), 1);
    const ScratchDir scratch("apply_test");
    const fs::path &dir = scratch.path();
    std::ofstream(dir / "in.ac") << kModel;

    const struct {
        std::vector<std::string> select;  // after --select
        size_t objects, vertices;         // reached, each once
    } cases[] = {
        {{"objects", "g", "a"}, 2, 5},  {{"objects", "a", "g"}, 2, 5},  {{"objects", "a", "a"}, 1, 3},
        {{"surfaces", "a", "a"}, 1, 3}, {{"vertices", "a", "a"}, 1, 3}, {{"all"}, 3, 7},
    };
    for (const auto &c : cases) {
        const std::string out = (dir / "out.ac").string();
        std::vector<std::string> words{(dir / "in.ac").string(), out, "--select"};
        words.insert(words.end(), c.select.begin(), c.select.end());
        words.insert(words.end(), {"--freq-axis", "x", "--amp-axis", "y", "--frequency", "1", "--amplitude", "1"});
        const std::string summary = apply_to_file(h, parse_apply_options(words));

        const auto before = positions_in(dir / "in.ac"), after = positions_in(out);
        ASSERT_EQ(before.size(), after.size());
        size_t moved = 0;
        for (size_t i = 0; i < before.size(); ++i) moved += same_bits(before[i], after[i]) ? 0 : 1;
        EXPECT_GT(moved, 0u) << summary;
        EXPECT_EQ(summary, "moved " + std::to_string(moved) + " of " + std::to_string(c.vertices) + " vertices in " +
                               std::to_string(c.objects) + " object(s); wrote " + out);
        EXPECT_TRUE(h.misuse().empty()) << c.select[1 % c.select.size()];
    }
    h.reset_scene();
    h.forget_registrations();
}

// A save never changes the model kept from the file: after "save A; undo;
// save B" B is the plain resave of every sample model, and counts no vertex
// as moved.
TEST(ApplyJob, UndoThenSaveGivesBackTheFileAsRead)
{
    const fs::path models = RILO_MODELS_DIR;
    SKIP_WITHOUT_SAMPLE_MODELS(models);
    Host &h = host();
    h.echo = false;
    h.forget_registrations();
    ASSERT_EQ(ac_add_command_full("pjtrilo_go", sine_deform_command, 7, AC_CMD_ARGV, "", ""), 1);
    const ScratchDir scratch("undo_test");
    const fs::path &dir = scratch.path();
    const RegisteredCommand &wave = *h.find_command("pjtrilo_go");
    ac::ReadOptions quiet;
    quiet.warn = [](const std::string &) {};
    size_t waved = 0;
    for (const auto &entry : fs::directory_iterator(models)) {
        const fs::path &p = entry.path();
        if (p.extension() != ".ac" || p.filename() == "sd-wheel0-acc-dialect.ac") continue;
        SCOPED_TRACE(p.filename().string());
        load_scene(h, p.string(), quiet);
        const std::string plain = ac::write_text(h.document()->model);
        select_by_name(h, "all", {});
        if (invoke_command(wave, {"x", "y", "0.37", "0.25", "13", "1", "1"}).refused) continue;  // nothing to move
        ++waved;
        save_scene(h, (dir / "a.ac").string());
        std::string step;
        ASSERT_TRUE(h.undo_last(step));
        EXPECT_EQ(save_scene(h, (dir / "b.ac").string()), 0u);
        EXPECT_TRUE(slurp(dir / "b.ac") == plain) << "differs from the plain resave";
    }
    EXPECT_GT(waved, 20u);
    h.reset_scene();
    h.forget_registrations();
}

}  // namespace
