// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A QApplication for widget tests: one per test program, made before the
// first test runs. Include this header in exactly one test file per program;
// it registers a gtest environment at static initialisation.

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace kelvara::test {

class QtAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "kelvara-test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

inline ::testing::Environment* const QtApp =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

} // namespace kelvara::test
