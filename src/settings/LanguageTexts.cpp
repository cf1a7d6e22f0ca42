#include "settings/LanguageTexts.h"

#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "settings/MessageTexts.h"

namespace {

using W = TextWindow;

LanguageKey caption(const char *section, const char *key, const char *text, W window, const char *control)
{
    return {section, key, text, TextTarget::Caption, window, control};
}

LanguageKey title(const char *section, const char *key, const char *text, W window)
{
    return {section, key, text, TextTarget::Caption, window, nullptr};
}

LanguageKey plainText(const char *section, const char *key, const char *text, W window)
{
    return {section, key, text, TextTarget::Text, window, nullptr};
}

LanguageKey hint(const char *section, const char *key, const char *text, W window, const char *control)
{
    return {section, key, text, TextTarget::Hint, window, control};
}

LanguageKey column(const char *key, const char *text, int number)
{
    return {"MainWindow", key, text, TextTarget::ListColumn, W::Main, nullptr, nullptr, number};
}

LanguageKey message(const char *key, const char *text, QString MessageTexts::*field)
{
    return {"HMI", key, text, TextTarget::Message, W::Main, nullptr, field};
}

std::vector<LanguageKey> buildKeys()
{
    const char *const menu = "MainMenu";
    const char *const main = "MainWindow";
    const char *const buttons = "Buttons";
    const char *const devices = "DevicesWindow";
    const char *const calc = "CalculatorWindow";
    const char *const images = "ImagesWindow";
    const char *const settings = "SettingsWindow";
    const char *const history = "HistoryWindow";

    std::vector<LanguageKey> k = {
        caption(menu, "File", "File", W::Main, "menu_file"),
        caption(menu, "New", "New", W::Main, "submenu_New"),
        caption(menu, "Open", "Open", W::Main, "submenu_Open"),
        caption(menu, "OpenRecent", "Open Recent", W::Main, "menu_recent"),
        caption(menu, "Import", "Import Values...", W::Main, "Import1"),
        caption(menu, "ExportValues", "Export values...", W::Main, "ExportValues1"),
        caption(menu, "SaveAs", "Save as...", W::Main, "submenu_SaveAs"),
        caption(menu, "GeneratePDFReport", "Generate pdf Report", W::Main, "submenu_Report"),
        caption(menu, "Exit", "Exit", W::Main, "submenu_Exit"),
        caption(menu, "Tools", "Tools", W::Main, "menu_tools"),
        caption(menu, "DeviceSelect", "Device Select", W::Main, "submenu_DeviceSelect"),
        caption(menu, "Images", "Images", W::Main, "submenu_Images"),
        caption(menu, "Calculator", "Calculator", W::Main, "submenu_Calculator"),
        caption(menu, "Settings", "Settings", W::Main, "submenu_Settings"),
        caption(menu, "DriversInstallation", "Drivers Installation", W::Main, "submenu_Driversinstall"),
        caption(menu, "Help", "Help", W::Main, "menu_help"),
        caption(menu, "HelpSubmenu", "Help", W::Main, "submenu_help"),
        caption(menu, "About", "About...", W::Main, "submenu_about"),
        caption(menu, "MachineHistory", "Machine History", W::Main, "submenu_MachineHistory"),
        caption(menu, "VerifyProtocol", "Verify Protocol", W::Main, "submenu_VerifyProtocol"),

        hint(main, "StartButtonHint", "Start Measurement", W::Main, "SB_Start"),
        hint(main, "DeviceStateHint", "Device State", W::Main, "Image_Semafor"),
        caption(main, "SafetyDistanceLabel", "Safety Distance", W::Main, "Label14"),
        hint(main, "SafetyDistanceValueHint", "Calculated Safety Distance", W::Main, "Panel1"),
        caption(main, "AutomaticReleaseCaption", "Automatic Actuator Release", W::Main, "GroupBox1"),
        caption(main, "DistanceCaption", "Distance", W::Main, "CheckBox_Distance"),
        hint(main, "DistanceHint", "Automatic Actuator Release based on Distance", W::Main, "CheckBox_Distance"),
        hint(main, "DistanceEditHint", "Automatic Actuator Release Distance", W::Main, "Edit_Distance"),
        caption(main, "SpeedCaption", "Speed", W::Main, "CheckBox_Speed"),
        hint(main, "SpeedHint", "Automatic Actuator Release based on Speed", W::Main, "CheckBox_Speed"),
        caption(main, "ToolsCaption", "Tools", W::Main, "GroupBox5"),
        hint(main, "DeviceSelectButtonHint", "Select Safety Device", W::Main, "SB_DeviceSelect"),
        hint(main, "SettingsButtonHint", "Settings", W::Main, "SB_Settings"),
        hint(main, "ImagesButtonHint", "Select Images for pdf Report", W::Main, "SB_Images"),
        hint(main, "CalculatorButtonHint", "Safety Distance Calculator", W::Main, "SB_Calculator"),
        hint(main, "DeviceImageHint", "Currently selected Safety device", W::Main, "Image_Device"),
        caption(main, "DeviceLabel", "Safety Device", W::Main, "Label_SafetyDeviceCaption"),
        caption(main, "ParametersLabel", "Device paramaters", W::Main, "Label_DeviceParamsCaption"),
        caption(main, "MachineIDLabel", "Machine ID", W::Main, "Label_MachineIDCaption"),
        caption(main, "NoteLabel", "Note", W::Main, "Label_NoteCaption"),
        caption(main, "StatisticsCaption", "Statistics", W::Main, "GroupBox2"),
        caption(main, "CountLabel", "Count:", W::Main, "Label_CountCaption"),
        caption(main, "AverageTimeLabel", "Mean:", W::Main, "Label_MeanCaption"),
        caption(main, "StandardDeviationLabel", "Standard Deviation:", W::Main, "Label_SigmaCaption"),
        caption(main, "3StandardDeviationLabel", "+3 Standard Deviation:", W::Main, "Label_3SigmaCaption"),
        caption(main, "MaximumTimeLabel", "Maximum:", W::Main, "Label_MaximumCaption"),
        column("CountColumnCaption", "#", 0),
        column("StopTimeColumnCaption", "Stop Time [ms]", 1),
        caption(main, "CopyRowsCaption", "Copy", W::Main, "PopupCopyRows"),
        plainText(main, "ChartMeanCaption", "Mean", W::Main),
        plainText(main, "ChartMeanPlus3SigmaCaption", "Mean + 3 SD", W::Main),
        plainText(main, "ChartMaximumCaption", "Maximum", W::Main),
        plainText(main, "ChartRunAxisCaption", "Run", W::Main),
        plainText(main, "ChartTimeAxisCaption", "ms", W::Main),
        plainText(main, "RecentProjectsEmpty", "No recent projects", W::Main),
        plainText(main, "RecentProjectMissing", "No longer there, removed from Open Recent: %1", W::Main),
        plainText(main, "VerdictMeets", "meets the minimum distance", W::Main),
        plainText(main, "VerdictCloser", "closer than the minimum distance by %1 mm", W::Main),
        plainText(main, "StandardBlockIgnored", "The standard stored in the project was not read", W::Main),
        plainText(main, "SafeguardBlockIgnored", "The safeguard named in the project was not read", W::Main),
        plainText(main, "StandardBlockChoose", "Choose the standard and its entries in Device Select.", W::Main),
        plainText(main, "NoDistanceReason", "No distance: %1", W::Main),
        plainText(main, "StartFileIsFolder", "%1 is a folder, not a project file.", W::Main),
        plainText(main, "StartFileNotRead", "%1 cannot be opened: %2", W::Main),
        plainText(main, "StartFileInvalid", "%1: Invalid/Corrupted file! (%2)", W::Main),
        plainText(main, "ProgressReport", "Writing the report...", W::Main),
        plainText(main, "ProgressImport", "Importing %1...", W::Main),
        plainText(main, "ReportCancelled", "Report cancelled, no file written.", W::Main),

        message("NoDeviceFoundText", "No Zirk device found!", &MessageTexts::NoDeviceFound),
        message("NewMeasurementText", "Are you sure you want to start a new measurement? All data will be lost!",
                &MessageTexts::NewMeasurement),
        message("CloseQueryText", "Are you sure you want to quit? All data will be lost!", &MessageTexts::CloseQuery),
        message("DeleteAllValuesQuery", "Are you sure you want to delete all values?",
                &MessageTexts::DeleteAllValuesQuery),
        message("DeviceReadyText", "Zirk Device ready.", &MessageTexts::DeviceReady),
        message("DeviceConnectedText", "Zirk Device found...", &MessageTexts::DeviceConnected),
        message("DriversInstallText",
                "Please make sure the Zirk device is connected. After installation unplug and plug the Zirk device again.",
                &MessageTexts::DriversInstall),
        message("DeviceShouldBeCalibratedText", "Device should be calibrated!", &MessageTexts::DeviceShouldBeCalibrated),
        message("InvalidFileText", "Invalid/Corrupted file!", &MessageTexts::InvalidFile),
        {"HMI", "HelpFileName", "user_manual_en.pdf", TextTarget::HelpFileName},

        caption(buttons, "OKButtonCaption", "OK", W::DeviceSelect, "Button_OK"),
        caption(buttons, "CancelButtonCaption", "Cancel", W::DeviceSelect, "Button_Cancel"),
        caption(buttons, "CloseButtonCaption", "Close", W::Calculator, "Button1"),
        caption(buttons, "OKButtonCaption", "OK", W::Images, "Button1"),
        caption(buttons, "OKButtonCaption", "OK", W::Settings, "Button3"),
        caption(buttons, "CancelButtonCaption", "Cancel", W::Settings, "Button4"),

        title(devices, "WindowCaption", "Device Select", W::DeviceSelect),
    };
    for (const char *box : {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4", "GroupBox5", "GroupBox6"})
        k.push_back(caption(devices, "ParametersCaption", "Parameters", W::DeviceSelect, box));
    k.insert(k.end(), {
        caption(devices, "ResolutionLabel", "Resolution d:", W::DeviceSelect, "Label8"),
        caption(devices, "HeightLabel", "Height H:", W::DeviceSelect, "Label10"),
        caption(devices, "HeightLabel", "Height H:", W::DeviceSelect, "Label17"),
        caption(devices, "MachineIDCaption", "Machine ID:", W::DeviceSelect, "Label19"),
        caption(devices, "NoteCaption", "Note:", W::DeviceSelect, "Label20"),
        caption(devices, "SafeguardCaption", "Safeguard:", W::DeviceSelect, "Label_Safeguard"),
        caption(devices, "VLCAbbreviation", "VLC", W::DeviceSelect, "TabSheet1"),
        caption(devices, "HLCAbbreviation", "HLC", W::DeviceSelect, "TabSheet2"),
        caption(devices, "ScannerAbbreviation", "Scanner", W::DeviceSelect, "TabSheet3"),
        caption(devices, "TwoHandAbbreviation", "Two Hand", W::DeviceSelect, "TabSheet4"),
        caption(devices, "EStopAbbreviation", "E-stop", W::DeviceSelect, "TabSheet5"),
        caption(devices, "DoorAbbreviation", "Door", W::DeviceSelect, "TabSheet6"),
        caption(devices, "MatAbbreviation", "Mat", W::DeviceSelect, "TabSheet7"),
        caption(devices, "VLCText", "Vertical Light Curtain", W::DeviceSelect, "Label1"),
        caption(devices, "HLCText", "Horizontal Light Curtain", W::DeviceSelect, "Label2"),
        caption(devices, "ScannerText", "Safety Scanner", W::DeviceSelect, "Label3"),
        caption(devices, "TwoHandText", "Two Hand Control", W::DeviceSelect, "Label4"),
        caption(devices, "EStopText", "Emergency stop", W::DeviceSelect, "Label5"),
        caption(devices, "DoorText", "Door", W::DeviceSelect, "Label21"),
        caption(devices, "MatText", "Preassure Sensitive Mat", W::DeviceSelect, "Label25"),
        caption(devices, "VLCAngleText",
                "If the Angle between safety curtain and groun is more than 30 degrees, vertical safety curtain should be used!",
                W::DeviceSelect, "Label9"),
        caption(devices, "HLCAngleText",
                "If the Angle between safety curtain and groun is less than 30 degrees, horizontal safety curtain should be used!",
                W::DeviceSelect, "Label13"),
        caption(devices, "ScannerCrawlingText",
                "Prevent the possibility of crawling beneath the protective device if you mount the scanner higher than 300mm!",
                W::DeviceSelect, "Label15"),
        caption(devices, "StandardCaption", "Standard", W::DeviceSelect, "GroupBox_Standard"),
        caption(devices, "StandardLabel", "Standard:", W::DeviceSelect, "Label_Standard"),
        caption(devices, "ZoneResolutionLabel", "Resolution d:", W::DeviceSelect, "Label_ZoneD"),
        caption(devices, "ResponseTimeLabel", "Response time Tr:", W::DeviceSelect, "Label_Tr"),
        caption(devices, "BrakeMonitorLabel", "Brake monitor setting:", W::DeviceSelect, "Label_BrakeMonitor"),
        caption(devices, "ApproachSpeedLabel", "Approach speed K:", W::DeviceSelect, "Label_K"),
        caption(devices, "DdsLabel", "Additional distance D_DS:", W::DeviceSelect, "Label_Dds"),
        caption(devices, "SupplementLabel", "Supplement Z:", W::DeviceSelect, "Label_Z"),
        caption(devices, "DpfLabel", "Depth penetration factor Dpf:", W::DeviceSelect, "Label_Dpf"),
        caption(devices, "NoEncroachmentCaption", "Reaching in is excluded", W::DeviceSelect,
                "CheckBox_NoEncroachment"),
        caption(devices, "InstalledLabel", "Installed distance:", W::DeviceSelect, "Label_Installed"),
        plainText(devices, "TextNotInCodePage", "\"%1\" cannot be kept: project files use %2.", W::DeviceSelect),
        plainText(devices, "TextTooLong", "A project file keeps at most %1 characters here.", W::DeviceSelect),
        plainText(devices, "TextKeptAs", "The project file keeps this as \"%1\".", W::DeviceSelect),
        plainText(devices, "TextControlCharacter", "Line breaks and other control characters (%1) cannot be kept here.",
                  W::DeviceSelect),
        plainText(devices, "EntriesNotKept", "The archive did not keep: %1", W::DeviceSelect),

        title(calc, "WindowCaption", "Calculator", W::Calculator),
        caption(calc, "ResolutionLabel", "Resolution d:", W::Calculator, "Label11"),
    });
    for (const char *label : {"Label12", "Label25", "Label18", "Label26", "Label48", "Label50"})
        k.push_back(caption(calc, "StopTimeLabel", "Stop Time t:", W::Calculator, label));
    for (const char *label : {"Label15", "Label27", "Label19", "Label1", "Label52", "Label55"})
        k.push_back(caption(calc, "SafetyDistanceLabel", "Safety Distance:", W::Calculator, label));
    k.insert(k.end(), {
        caption(calc, "HeightLabel", "Height H:", W::Calculator, "Label17"),
        caption(calc, "HeightLabel", "Height H:", W::Calculator, "Label46"),
        caption(calc, "VLCAbbreviation", "VLC", W::Calculator, "TabSheet1"),
        caption(calc, "VLCText", "Vertical Light Curtain", W::Calculator, "Label3"),
        caption(calc, "HLCAbbreviation", "HLC", W::Calculator, "TabSheet2"),
        caption(calc, "HLCText", "Horizontal Light Curtain", W::Calculator, "Label4"),
        caption(calc, "ScannerAbbreviation", "Scanner", W::Calculator, "TabSheet3"),
        caption(calc, "ScannerText", "Safety Scanner", W::Calculator, "Label5"),
        caption(calc, "TwoHandAbbreviation", "Two Hand", W::Calculator, "TabSheet4"),
        caption(calc, "TwoHandText", "Two Hand Control", W::Calculator, "Label6"),
        caption(calc, "EStopAbbreviation", "E-stop", W::Calculator, "TabSheet5"),
        caption(calc, "EStopText", "Emergency stop", W::Calculator, "Label7"),
        caption(calc, "DoorAbbreviation", "Door", W::Calculator, "TabSheet6"),
        caption(calc, "DoorText", "Door", W::Calculator, "Label45"),
        caption(calc, "MatAbbreviation", "Mat", W::Calculator, "TabSheet7"),
        caption(calc, "MatText", "Preassure Sensitive Mat", W::Calculator, "Label44"),
        caption(calc, "DistEmitterReceiverLabel", "Distance Emitter-Receiver D:", W::Calculator, "Label16"),
        caption(calc, "SDtoReflectingLabel", "to reflecting surface:", W::Calculator, "Label10"),
        caption(calc, "StandardLabel", "Standard:", W::Calculator, "Label_Standard"),

        title(images, "WindowCaption", "Images", W::Images),
        caption(images, "Page1Caption", "Page 1", W::Images, "Label7"),
        caption(images, "Page2Caption", "Page 2", W::Images, "Label8"),
    });
    for (const char *label : {"Label1", "Label2", "Label3", "Label4"})
        k.push_back(caption(images, "NoteCaption", "Note:", W::Images, label));
    for (const char *box : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"})
        k.push_back(caption(images, "IncludeInReportCaption", "Include in pdf Report", W::Images, box));
    for (const char *image : {"Image1", "Image2", "Image3", "Image4"})
        k.push_back(hint(images, "ImagesClickToLoadHint", "Click to Load a Picture", W::Images, image));
    k.insert(k.end(), {
        title(settings, "WindowCaption", "Settings", W::Settings),
        caption(settings, "UserBoxLabel", "User", W::Settings, "GroupBox1"),
        caption(settings, "UserNameLabel", "Use Name:", W::Settings, "Label_NameCaption"),
        caption(settings, "CompanyLabel", "Company:", W::Settings, "Label_CompanyCaption"),
        caption(settings, "LanguageBoxLabel", "Language", W::Settings, "GroupBox6"),
        caption(settings, "SSSpeedBoxLabel", "Standstill Speed", W::Settings, "GroupBox2"),
        caption(settings, "DirChangeDetectLabel", "Detect Direction Change", W::Settings, "CHB_DirectionChangeDetection"),
        caption(settings, "SSSpeedLabel", "SS Speed [mm/s]", W::Settings, "Label_SSSpeedCaption"),
        caption(settings, "SoundBoxLabel", "Sound", W::Settings, "GroupBox5"),
        caption(settings, "SoundEnableLabel", "Sound Enable", W::Settings, "CHB_SoundEnable"),
        hint(settings, "TestButtonHint", "Sound Test", W::Settings, "Button2"),
        caption(settings, "ArchiveBoxLabel", "Machine Archive", W::Settings, "GroupBox7"),
        caption(settings, "ArchiveUrlLabel", "Archive (empty: this computer):", W::Settings, "Label_ArchiveUrlCaption"),
        hint(settings, "ArchiveUrlHint", "sqlite:///path/to/archive.sqlite or postgresql://user@host:port/dbname",
             W::Settings, "Edit_ArchiveUrl"),
        plainText(settings, "ArchivePasswordText",
                  "A password does not belong in the archive URL: it would stand in the settings file for anyone to"
                  " read. Remove it and put it in ~/.pgpass (host:port:database:user:password, readable only by you).",
                  W::Settings),
        caption(settings, "TrendPercentLabel", "Warn when the stop time grew by more than [%]:", W::Settings,
                "Label_TrendPercentCaption"),
        caption(settings, "ReportBoxLabel", "Report", W::Settings, "GroupBox_Report"),
        caption(settings, "AnalysisPageLabel", "Add analysis page to the report", W::Settings, "CHB_AnalysisPage"),
        caption(settings, "LogoLabel", "Company logo:", W::Settings, "Label_LogoCaption"),
        caption(settings, "LogoChooseButton", "Choose...", W::Settings, "Button_LogoChoose"),
        caption(settings, "LogoRemoveButton", "Remove", W::Settings, "Button_LogoRemove"),
        caption(settings, "SigningCertificateLabel", "Sign protocols with:", W::Settings,
                "Label_SigningCertificateCaption"),
        caption(settings, "SigningCertificateChooseButton", "Choose...", W::Settings, "Button_SigningChoose"),
        caption(settings, "TimeStampUrlLabel", "Time-stamp authority (URL):", W::Settings, "Label_TimeStampUrlCaption"),
        caption(settings, "AttachMeasurementLabel", "Attach the measurement to the protocol", W::Settings,
                "CHB_AttachMeasurement"),
        caption(settings, "StandardLabel", "Standard:", W::Settings, "Label_Standard"),
        caption(settings, "CodePageLabel", "Code page of project files:", W::Settings, "Label_CodePage"),
        plainText(settings, "CodePageOfSystem", "As the system: %1", W::Settings),
        plainText(settings, "CodePage1250", "Windows-1250 (Central European)", W::Settings),
        plainText(settings, "CodePage1251", "Windows-1251 (Cyrillic)", W::Settings),
        plainText(settings, "CodePage1252", "Windows-1252 (Western European)", W::Settings),
        plainText(settings, "CodePage1253", "Windows-1253 (Greek)", W::Settings),
        plainText(settings, "CodePage1254", "Windows-1254 (Turkish)", W::Settings),

        title("AboutWindow", "WindowCaption", "About...", W::About),

        title(history, "WindowCaption", "Machine History", W::History),
        caption(history, "SearchLabel", "Search:", W::History, "Label_SearchCaption"),
        caption(history, "MachinesLabel", "Machines", W::History, "Label_MachinesCaption"),
        caption(history, "MeasurementsLabel", "Measurements", W::History, "Label_MeasurementsCaption"),
        caption(history, "OpenButton", "Open", W::History, "Btn_Open"),
        caption(history, "CloseButton", "Close", W::History, "Btn_Close"),
        plainText(history, "DateColumn", "Date", W::History),
        plainText(history, "CountColumn", "Count", W::History),
        plainText(history, "GoverningColumn", "Governing Time", W::History),
        plainText(history, "DistanceColumn", "Safety Distance", W::History),
        plainText(history, "StandardColumn", "Standard", W::History),
        plainText(history, "InstalledColumn", "Installed Distance", W::History),
        plainText(history, "VerdictColumn", "Verdict", W::History),
        plainText(history, "BaselineColumn", "Change vs Reference", W::History),
        plainText(history, "DueColumn", "Next Due", W::History),
        plainText(history, "StatusColumn", "Status", W::History),
        plainText(history, "StatusCloser", "closer than the minimum", W::History),
        plainText(history, "StatusWarning", "warning", W::History),
        plainText(history, "StatusUnknown", "unknown", W::History),
        plainText(history, "StatusOverdue", "overdue", W::History),
        plainText(history, "StatusOk", "ok", W::History),
        caption(history, "AttentionLabel", "Only machines that need attention", W::History, "CHB_Attention"),
        caption(history, "ExportButton", "Export...", W::History, "Btn_Export"),
        plainText(history, "SerialNumberColumn", "Instrument SN", W::History),
        plainText(history, "MachineCountColumn", "Measurements", W::History),
        plainText(history, "TrendWarning", "Stop time grew by %1 % since %2: check the brake.", W::History),
        plainText(history, "TrendBaselineWarning",
                  "Stop time grew by %1 % since the reference of %2: check the brake.", W::History),
        plainText(history, "TrendChanges", "Change: %1 against %2, %3 against the reference of %4", W::History),
        plainText(history, "NoComparison", "no comparison", W::History),
        caption(history, "ReferenceButton", "Reference", W::History, "Btn_Reference"),
        plainText(history, "TrendGoverning", "Governing time [ms]", W::History),
        plainText(history, "TrendDistance", "Safety distance [mm]", W::History),
        plainText(history, "NoMachineID", "(no machine ID)", W::History),
        plainText(history, "ArchiveNotWritten", "The archive could not be written: %1", W::History),
        plainText(history, "ArchiveKept", "kept in the archive", W::History),
        plainText(history, "ArchiveQueued", "queued: the archive server does not answer", W::History),

        // The signed protocol: its box on page 1, what signing asks and says.
        plainText("Report", "SignedByText", "Digitally signed by", W::Main),
        plainText("Report", "SignatureMeaningText", "Measured and checked by", W::Main),
        plainText("Report", "PasswordText", "Password of the signing certificate %1:", W::Main),
        plainText("Report", "SignedWithoutTimeStampText", "Signed without a time stamp: %1", W::Main),
    });
    return k;
}

} // namespace

std::span<const LanguageKey> languageKeys()
{
    static const std::vector<LanguageKey> keys = buildKeys();
    return keys;
}

LanguageTexts::LanguageTexts()
{
    for (const LanguageKey &k : languageKeys())
        m_texts.push_back(QString::fromUtf8(k.defaultText));
}

LanguageTexts LanguageTexts::read(const IniFile &file)
{
    LanguageTexts texts;
    std::size_t row = 0;
    for (const LanguageKey &k : languageKeys()) {
        texts.m_texts[row] = file.readString(QLatin1String(k.section), QLatin1String(k.key), texts.m_texts[row]);
        ++row;
    }
    return texts;
}

QString LanguageTexts::text(const char *section, const char *key) const
{
    std::size_t row = 0;
    for (const LanguageKey &k : languageKeys()) {
        if (qstrcmp(k.section, section) == 0 && qstrcmp(k.key, key) == 0)
            return m_texts[row];
        ++row;
    }
    return QString();
}

void LanguageTexts::applyTo(MessageTexts &messages, AppSettings &settings) const
{
    std::size_t row = 0;
    for (const LanguageKey &k : languageKeys()) {
        if (k.target == TextTarget::Message)
            messages.*k.message = m_texts[row];
        else if (k.target == TextTarget::HelpFileName)
            settings.HelpFileName = m_texts[row];
        ++row;
    }
}

QString kindDisplayName(const LanguageTexts &texts, int kind)
{
    static const char *const keys[] = {"VLCText", "HLCText", "ScannerText", "TwoHandText",
                                       "EStopText", "DoorText", "MatText"};
    if (kind < 0 || kind >= int(std::size(keys)))
        return QString();
    return texts.text("DevicesWindow", keys[kind]);
}
