// A clean stand-in host for each unit test.
#ifndef RILO_TESTS_FRESH_HOST_H
#define RILO_TESTS_FRESH_HOST_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host.h"
#include "rilo.h"

extern uint32_t fixed_tick_value;

using namespace standin;

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
    void TearDown() override { EXPECT_TRUE(host().misuse().empty()) << host().misuse().front(); }

    // Runs the command procedure as the host does.
    static void run(const std::vector<std::string> &params)
    {
        invoke_command(RegisteredCommand{"pjtrilo_go", sine_deform_command, 7, AC_CMD_ARGV, "", ""}, params);
    }
};

#endif
