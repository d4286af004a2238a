// Undo, redo and the live preview, each row a sequence of steps over one selected
// strip of vertices, checked bit for bit against the positions after one of
// its steps, with the scene's version, the history and the list nodes held.
#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "coordinates.h"
#include "fresh_host.h"

namespace {

const std::vector<std::string> kWave{"x", "y", "1", "0.3", "25", "1", "1"};
const std::vector<std::string> kOther{"x", "z", "2.5", "0.7", "10", "1", "1"};
const std::vector<std::string> kSameAxis{"x", "x", "1", "1", "0", "1", "1"};
const RegisteredCommand kCommand{"pjtrilo_go", sine_deform_command, 7, AC_CMD_ARGV, "", ""};
constexpr int kOneWave = -1;  // the strip as made, waved once by the command itself

struct Row {
    const char *steps;  // "redo!": one that must be refused
    int same_as;        // positions and version as after that many steps, or kOneWave
    size_t history;
    size_t redo;
    bool modified;
};

const Row kRows[] = {
    {"wave wave undo undo redo", 1, 1, 1, true},
    {"wave undo redo undo", 0, 0, 1, false},
    {"wave wave undo undo redo redo redo!", 2, 2, 0, true},
    {"undo! redo!", 0, 0, 0, false},
    {"wave undo set redo!", 3, 0, 0, true},
    {"wave undo other redo!", 3, 1, 0, true},
    {"wave undo load redo! undo!", 3, 0, 0, false},
    {"wave save undo redo", 2, 1, 0, false},
    {"wave undo save redo", 1, 1, 0, true},
    {"live", kOneWave, 0, 0, false},
    {"live clear", 0, 0, 0, false},
    {"wave live clear", 1, 1, 0, true},
    {"live other2 live clear", 0, 0, 0, false},
    {"live bad!", 0, 0, 0, false},
    {"live wave", kOneWave, 1, 0, true},
    {"live wave undo", 0, 0, 1, false},
    {"wave live undo redo", 1, 1, 0, true},
    {"wave undo live clear redo", 1, 1, 0, true},
    {"wave undo live redo", 1, 1, 0, true},
    {"live set", 2, 0, 0, true},
    {"live load", 2, 0, 0, false},
};

Object &make_strip()
{
    Host &h = host();
    h.reset_scene();
    Object &strip = h.scene().add_object("strip");
    for (float x : {0.f, 0.3f, 0.55f, 0.8f, 1.1f}) strip.add_vertex(x, 0.1f * x, 0.7f);
    h.select_object(strip);
    return strip;
}

std::vector<Vertex> positions_of(const Object &strip)
{
    std::vector<Vertex> out;
    for (const auto &hv : strip.vertices) out.push_back(hv.v);
    return out;
}

bool same(const std::vector<Vertex> &a, const std::vector<Vertex> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](auto &x, auto &y) { return same_bits(x, y); });
}

// Takes one step; a step marked "!" must be refused, and the others not.
void take_step(const std::string &step, Object *&strip)
{
    const bool refused = step.back() == '!';
    const std::string word = refused ? step.substr(0, step.size() - 1) : step;
    Host &h = host();
    std::string name;
    bool done = true;
    if (word == "wave" || word == "other") {
        done = !invoke_command(kCommand, word == "wave" ? kWave : kOther).refused;
    } else if (word == "undo" || word == "redo") {
        done = word == "undo" ? h.undo_last(name) : h.redo_last(name);
        EXPECT_EQ(name, done ? "rilo" : "") << step;
    } else if (word == "set") {
        h.note_scene_changed();
        strip->vertices[2].v.y = 0.125f;
    } else if (word == "load") {
        strip = &make_strip();
    } else if (word == "save") {
        h.set_file(nullptr);
    } else if (word == "live" || word == "other2" || word == "bad") {
        const auto &params = word == "live" ? kWave : word == "other2" ? kOther : kSameAxis;
        const std::string debug = h.debug();
        const Box box = h.box();
        const CommandOutcome outcome = run_live_preview(kCommand, params);
        done = !outcome.refused;
        EXPECT_EQ(outcome.message, done ? "" : "rilo : cannot apply frequency and amplitude to same axis");
        EXPECT_TRUE(h.messages().empty() && h.debug() == debug && same_bits(h.box().max, box.max))
            << "a live preview keeps no record";
    } else if (word == "clear") {
        h.clear_live_preview();
    } else {
        ADD_FAILURE() << "no step " << step;
    }
    EXPECT_EQ(done, !refused) << step;
}

TEST_F(FreshHost, UndoRedoAndLivePreviewRestoreBitForBit)
{
    Object *strip = &make_strip();
    invoke_command(kCommand, kWave);
    const std::vector<Vertex> one_wave = positions_of(*strip);
    for (const Row &row : kRows) {
        strip = &make_strip();
        std::vector<std::vector<Vertex>> after{positions_of(*strip)};
        std::vector<uint64_t> versions{host().versions().current()};
        std::istringstream steps(row.steps);
        for (std::string step; steps >> step;) {
            take_step(step, strip);
            after.push_back(positions_of(*strip));
            versions.push_back(host().versions().current());
        }
        const Host &h = host();
        const bool one = row.same_as == kOneWave;
        EXPECT_TRUE(same(after.back(), one ? one_wave : after[row.same_as])) << row.steps;
        if (!one) {
            EXPECT_EQ(h.versions().current(), versions[row.same_as]) << row.steps;
        }
        EXPECT_EQ(h.undo_steps().size(), row.history) << row.steps;
        EXPECT_EQ(h.redo_steps().size(), row.redo) << row.steps;
        EXPECT_EQ(h.versions().modified(), row.modified) << row.steps;
        // The lists of steps undone are released, and a live preview's with it.
        size_t held = h.live_preview_shown() ? 5 : 0;
        for (const UndoStep &step : h.undo_steps()) held += step.nodes;
        EXPECT_EQ(h.live_list_nodes(), held) << row.steps;
    }
}

}  // namespace
