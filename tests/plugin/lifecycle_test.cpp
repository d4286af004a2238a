// The real module, loaded by this program the way the modeller loads it, in
// odd orders and many times over.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <thread>

#include "host.h"
#include "plugin_loader.h"

#ifndef RILO_PLUGIN_DIR
#error "RILO_PLUGIN_DIR names the folder of the module under test"
#endif

using namespace standin;

namespace {

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        Host &h = host();
        h.reset_scene();
        h.clear_records();
        h.forget_registrations();
        h.echo = false;
        ASSERT_NO_THROW(plugin = load_plugin(RILO_PLUGIN_DIR));
    }
    void TearDown() override
    {
        unload_plugin(plugin);
        host().forget_registrations();
        EXPECT_TRUE(host().misuse().empty());
    }

    // Runs the registered command with seven parameters, as the host does.
    static void run_registered(const char *offset)
    {
        ASSERT_FALSE(host().commands().empty());
        invoke_command(host().commands().back(), {"x", "y", "0.5", "1", offset, "1", "1"});
    }

    static long resident_kib()
    {
        long pages = 0, resident = 0;
        FILE *f = std::fopen("/proc/self/statm", "r");
        if (f == nullptr) return -1;
        const int read = std::fscanf(f, "%ld %ld", &pages, &resident);
        std::fclose(f);
        return read == 2 ? resident * 4 : -1;
    }

    LoadedPlugin plugin;
};

TEST_F(Lifecycle, AboutAndInfoAnswerAnyTimeWithTheSameText)
{
    const char *about = plugin.about();
    const char *info = plugin.info();
    EXPECT_STREQ(about, "Rilo - version 1.1 - Velkmar");
    EXPECT_STREQ(info, "Rilo utility - Applies an axis-aligned waveform to selected vertices");
    ASSERT_EQ(init_plugin(plugin), 0);
    EXPECT_EQ(plugin.about(), about);
    EXPECT_EQ(plugin.info(), info);
    EXPECT_EQ(plugin.exit(), 0);
    EXPECT_EQ(plugin.about(), about);
}

TEST_F(Lifecycle, InitialisesOnceWhateverTheOrder)
{
    EXPECT_EQ(plugin.exit(), 0);  // exit before init
    EXPECT_EQ(plugin.init(nullptr), 0);
    PluginInitData no_dir{0, nullptr};
    EXPECT_EQ(plugin.init(&no_dir), 0);
    EXPECT_TRUE(host().menu().empty());
    EXPECT_TRUE(host().commands().empty());
    EXPECT_TRUE(host().tcl_log().empty());

    ASSERT_EQ(init_plugin(plugin), 0);
    EXPECT_EQ(host().menu().size(), 1u);
    EXPECT_EQ(host().commands().size(), 1u);
    EXPECT_EQ(host().tcl_log(), std::vector<std::string>{"source \"" + std::string(RILO_PLUGIN_DIR) + "/rilo.tcl\""});

    EXPECT_EQ(plugin.exit(), 0);
    EXPECT_EQ(init_plugin(plugin), 0);
    EXPECT_EQ(plugin.init(nullptr), 0);
    EXPECT_EQ(host().menu().size(), 1u);
    EXPECT_EQ(host().commands().size(), 1u);
    EXPECT_EQ(host().tcl_log().size(), 1u);
}

TEST_F(Lifecycle, LoadedAndUnloadedAThousandTimes)
{
    Object &o = host().scene().add_object("o");
    o.add_vertex(0, 0, 0);
    o.add_vertex(0.5f, 0, 0);
    host().select_object(o);
    unload_plugin(plugin);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_NO_THROW(plugin = load_plugin(RILO_PLUGIN_DIR));
        host().forget_registrations();
        ASSERT_EQ(init_plugin(plugin), 0);
        ASSERT_EQ(host().commands().size(), 1u) << "load " << i;  // each fresh load initialises once
        run_registered("25");
        std::string undone;
        ASSERT_TRUE(host().undo_last(undone));
        host().forget_registrations();  // the procedure goes with the module
        unload_plugin(plugin);
    }
    EXPECT_TRUE(host().messages().empty());
    EXPECT_EQ(o.vertices[1].v.y, 0.0f);
    EXPECT_EQ(host().live_list_nodes(), 0u);
}

TEST_F(Lifecycle, TenThousandCommandsWithUndoKeepMemoryFlat)
{
    ASSERT_EQ(init_plugin(plugin), 0);
    Object &o = host().scene().add_object("o");
    for (int i = 0; i < 200; ++i) o.add_vertex(static_cast<float>(i) * 0.01f, 1.0f, 2.0f);
    host().select_object(o);
    std::string undone;
    long after_warmup = 0;
    for (int i = 0; i < 10000; ++i) {
        run_registered(i % 2 ? "random" : "10");
        ASSERT_TRUE(host().undo_last(undone));
        host().clear(Record::Debug);
        if (i == 999) after_warmup = resident_kib();
    }
    EXPECT_EQ(host().live_list_nodes(), 0u);
    EXPECT_TRUE(host().messages().empty());
    EXPECT_EQ(o.vertices[150].v.y, 1.0f);
#ifndef __SANITIZE_ADDRESS__  // the sanitizer holds freed memory back on purpose
    EXPECT_LT(resident_kib() - after_warmup, 1024) << "resident memory grew over 9,000 commands";
#else
    (void)after_warmup;
#endif
}

TEST_F(Lifecycle, ServicesCalledFromAnotherThreadAreRecorded)
{
    std::thread([] { redraw_all(); }).join();
    EXPECT_EQ(host().misuse(), std::vector<std::string>{"redraw_all called from another thread"});
    host().clear(Record::Misuse);
}

}  // namespace
