#pragma once
// A whole program (records and seven windows) on fake seams, shown
// headless; the settings file lands in a temporary folder.

#include "FakePlatform.h"

#include "state/ProgramState.h"
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
        // Save as and the report keep measurements: never in the user's archive.
        qputenv("ZIRK_ARCHIVE", ("sqlite://" + tempDir.filePath(QStringLiteral("archive.sqlite"))).toLocal8Bit());
        // The archive's local queue lies in the data folder: the test's own.
        m_dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", tempDir.filePath(QStringLiteral("data")).toLocal8Bit());
    }
    void TearDown() override
    {
        program.reset();
        QLocale::setDefault(QLocale::c());
        qunsetenv("ZIRK_CONFIG_DIR");
        qunsetenv("ZIRK_ARCHIVE");
        if (m_dataHome.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_dataHome);
    }

    // Creates the program and shows its main window (runs the start-up).
    TMainForm &start(const QStringList &arguments = {})
    {
        program = std::make_unique<ZirkProgram>(fake.platform, arguments);
        program->mainForm()->show();
        return *program->mainForm();
    }
    ProgramState &state() { return program->state(); }
    // Changes the instrument the series on screen was measured with.
    template <typename Change>
    void changeInstrument(Change change)
    {
        MeasuringInstrument instrument = state().instrument();
        change(instrument);
        state().setInstrument(instrument);
    }
    // Hands the state a safety device as if it had been accepted.
    void acceptDevice(int kind, std::optional<double> parameter, const QString &name = QString())
    {
        SafetyDevice device = SafetyDevice::selected(kind, parameter);
        device.Name = name;
        state().setSafetyDevice(device);
    }
    Forms &forms() { return program->forms(); }

    QTemporaryDir tempDir;
    QByteArray m_dataHome;
    FakePlatform fake;
    std::unique_ptr<ZirkProgram> program;
};
