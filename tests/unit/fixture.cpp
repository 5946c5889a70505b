// Shared set-up for unit tests.
#include "tests/unit/fixture.h"
#include <cstdio>
#include <gtest/gtest.h>
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

void kelreset() { initstate(); }

void startoutput()
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
}

std::string takeoutput()
{
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::vector<std::string> sent;

static void tap(const char *msg) { sent.emplace_back(msg); }

void listen()
{
    sent.clear();
    gwtap = tap;
}

void stoplistening() { gwtap = nullptr; }

bool wassent(const std::string &msg)
{
    for (const std::string &m : sent)
        if (m == msg)
            return true;
    return false;
}
