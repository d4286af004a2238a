// A clean stand-in host for each unit test.
#ifndef RILO_TESTS_FRESH_HOST_H
#define RILO_TESTS_FRESH_HOST_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host.h"
#include "rilo.h"

extern uint32_t fixed_tick_value;

class FreshHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        Host &h = host();
        h.reset_scene();
        h.clear_records();
        h.echo = false;
        fixed_tick_value = 0;
    }
    void TearDown() override { EXPECT_TRUE(host().misuse.empty()) << host().misuse.front(); }

    // Runs the command procedure as the host does: entry 0 is the command name.
    static void run(std::vector<std::string> params)
    {
        params.insert(params.begin(), "pjtrilo_go");
        std::vector<char *> argv;
        for (auto &p : params) argv.push_back(p.data());
        argv.push_back(nullptr);
        host().begin_command();
        sine_deform_command(static_cast<int>(params.size()), argv.data());
        host().end_command();
    }
};

#endif
