#pragma once
// A whole program (records and seven windows) on fake seams, shown
// headless; the settings file lands in a temporary folder.

#include "FakePlatform.h"

#include "windows/MainForm.h"
#include "windows/Program.h"

#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

class ProgramFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qputenv("ZIRK_CONFIG_DIR", tempDir.path().toLocal8Bit());
    }
    void TearDown() override
    {
        program.reset();
        QLocale::setDefault(QLocale::c());
        qunsetenv("ZIRK_CONFIG_DIR");
    }

    // Creates the program and shows its main window (runs the start-up).
    TMainForm &start(const QStringList &arguments = {})
    {
        program = std::make_unique<ZirkProgram>(fake.platform, arguments);
        program->mainForm()->show();
        return *program->mainForm();
    }
    ProgramState &state() { return program->state(); }
    Forms &forms() { return program->forms(); }

    QTemporaryDir tempDir;
    FakePlatform fake;
    std::unique_ptr<ZirkProgram> program;
};
