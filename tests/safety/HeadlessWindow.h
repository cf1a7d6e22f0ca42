#pragma once
// One secondary window on fake seams, without the rest of the program,
// under a point locale unless a test sets another.

#include "FakePlatform.h"

#include "windows/Forms.h"
#include "state/ProgramState.h"

#include <QLocale>
#include <gtest/gtest.h>

template <typename Window>
class HeadlessWindow : public ::testing::Test
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    // One opening of the window as the main window's command makes it.
    void open()
    {
        form.show();
        form.hide();
    }

    ProgramState state;
    FakePlatform fake;
    Forms forms;
    Window form{state, fake.platform, forms};
};
