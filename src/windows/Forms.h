#pragma once

class TMainForm;
class TCalcForm;
class TSettingsForm;
class TAboutForm;
class Tdevselectform;
class Timagesform;
class TSafetyAdvisorForm;

// The seven windows of the program.  Each is created once at start, in this
// order, and lives until the program ends.
struct Forms
{
    TMainForm *MainForm = nullptr;
    TCalcForm *CalcForm = nullptr;
    TSettingsForm *SettingsForm = nullptr;
    TAboutForm *AboutForm = nullptr;
    Tdevselectform *devselectform = nullptr;
    Timagesform *imagesform = nullptr;
    TSafetyAdvisorForm *SafetyAdvisorForm = nullptr;
};
