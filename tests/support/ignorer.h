#pragma once
// A test that cannot run on this machine (no root powers, no print service, a missing tool)
// says so loudly on the console as well as in the report, so that a green run is never taken
// for a full one. Every skip goes through IGNORER, so that one line, "IGNORÉ : raison", can
// be looked for. Such tests also carry a CTest label (racine, services, navigateur...) to be
// chosen or left out by name.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

inline void annoncerIgnore(const std::string& raison) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr,
                 "\n******************************************************************\n"
                 "** IGNORÉ : %s\n** (%s.%s)\n"
                 "******************************************************************\n",
                 raison.c_str(), test ? test->test_suite_name() : "?", test ? test->name() : "?");
}

// Skips the running test (from its body or its SetUp) after the loud line.
#define IGNORER(raison)                                              \
    do {                                                             \
        const std::string raison_ignoree_ = (raison);                \
        annoncerIgnore(raison_ignoree_);                             \
        GTEST_SKIP() << "IGNORÉ : " << raison_ignoree_;              \
    } while (false)
