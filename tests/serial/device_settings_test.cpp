// Code lists, the *.set file and the completeness of the settings form.
#include <gtest/gtest.h>

#include "common/text.h"
#include "serial/device_settings.h"

namespace {

SettingsForm completeForm()
{
    SettingsForm form;
    form.device = "Netzgerät HM8143";
    form.baud = "9600";
    form.dataBits = "8";
    form.stopBits = "1.5";
    form.parity = 0;
    form.handshake = 2;
    form.inTerminator = "13;10";
    form.outTerminator = "10";
    form.inSubStrings = true;
    form.inSubTerminator = "44";
    form.errQuery = true;
    form.inBuffer = "";
    return form;
}

} // namespace

TEST(DeviceSettings, CodeListsAndCharactersRoundTrip)
{
    EXPECT_EQ(codeListToChars("13;10"), "\r\n");
    EXPECT_EQ(codeListToChars("''"), "");
    EXPECT_EQ(codeListToChars("44"), ",");
    EXPECT_EQ(codeListToChars("13;;x;0;10"), "\r\n");
    EXPECT_EQ(codeListToChars("252"), "\xFC");
    EXPECT_EQ(charsToCodeList("\r\n"), "13;10");
    EXPECT_EQ(charsToCodeList(""), "''");
    EXPECT_EQ(charsToCodeList("\xFC"), "252");
}

TEST(DeviceSettings, TheFileHasItsTwentyTwoLinesAndReadsBackByPosition)
{
    const std::string text = setFileText(completeForm());
    EXPECT_EQ(text, "VER=3\nDEVICE=Netzgerät HM8143\nBAUD=9600\nDATA=8\nSTOP=1.5\nPARITY=0\nHANDSHAKE=2\n"
                    "INBUFFER=0\nOUTBUFFER=1024\nINMAXSIGNS=60\nINTERM=13;10\nINRETRY=5\nOUTTERM=10\n"
                    "DELAYSHORT=15\nDELAYLONG=300\nDELAYERR=150\nERRQUERY=1\nERRQUERAS=*CLS\n"
                    "ERRGETCMD=SYST:ERR?\nERRGETSESR=*ESR?\nINSUBSTRINGS=1\nINSUBTERM=44\n");
    SettingsForm read;
    readSetFile(text, read);
    EXPECT_EQ(setFileText(read).substr(5), text.substr(5));

    // Keys do not matter, positions do.
    std::string wrongKeys = text;
    for (size_t pos = 0; (pos = wrongKeys.find("BAUD=")) != std::string::npos;)
        wrongKeys.replace(pos, 4, "XXXX");
    SettingsForm sameValues;
    readSetFile(wrongKeys, sameValues);
    EXPECT_EQ(sameValues.baud, "9600");
    SettingsForm swapped;
    readSetFile("VER=3\nBAUD=9600\nDEVICE=Netzgerät\n", swapped);
    EXPECT_EQ(swapped.device, "9600");
    EXPECT_EQ(swapped.baud, "");
}

TEST(DeviceSettings, ALineBreakInAFieldCannotShiftTheFilesLines)
{
    SettingsForm form = completeForm();
    form.errQueryClear = "*CLS\n";
    form.device = "Netz\tgerät\r";
    SettingsForm back;
    readSetFile(setFileText(form), back);
    EXPECT_EQ(back.errQueryClear, "*CLS");
    EXPECT_EQ(back.device, "Netzgerät");
    EXPECT_EQ(back.errGetSesr, form.errGetSesr);
    EXPECT_EQ(back.inSubTerminator, "44");
}

TEST(DeviceSettings, ValuesThatSelectNothingLeaveTheFormAsItWas)
{
    SettingsForm form = completeForm();
    // A version 2 file of 20 lines: the sub-string fields keep their values.
    readSetFile("VER=2\nDEVICE=alt\nBAUD=9600 \nDATA=7x\nSTOP=3\nPARITY=9\nHANDSHAKE=-1\nINBUFFER=2k048\n"
                "OUTBUFFER=\nINMAXSIGNS=80\nINTERM=13\nINRETRY=3\nOUTTERM=\nDELAYSHORT=20\nDELAYLONG=500\n"
                "DELAYERR=100\nERRQUERY=0\nERRQUERAS=\nERRGETCMD=\nERRGETSESR=\n",
                form);
    EXPECT_EQ(form.device, "alt");
    EXPECT_EQ(form.baud, "9600");
    EXPECT_EQ(form.dataBits, "7");
    EXPECT_EQ(form.stopBits, "1.5");
    EXPECT_EQ(form.parity, 0);
    EXPECT_EQ(form.handshake, 2);
    EXPECT_EQ(form.inBuffer, "2048");
    EXPECT_EQ(form.outTerminator, "");
    EXPECT_FALSE(form.errQuery);
    EXPECT_TRUE(form.inSubStrings);
    EXPECT_EQ(form.inSubTerminator, "44");

    // An empty file reads as empty lines.
    SettingsForm empty = completeForm();
    readSetFile("", empty);
    EXPECT_EQ(empty.baud, "9600");
    EXPECT_EQ(empty.device, "");
}

TEST(DeviceSettings, CompletenessAndTheWayToAPortsSettings)
{
    SettingsForm form = completeForm();
    EXPECT_FALSE(formComplete(form)); // "In-Buffer:" empty
    form.inBuffer = "64";
    EXPECT_TRUE(formComplete(form));
    for (auto spoil : std::initializer_list<void (*)(SettingsForm&)>{
             [](SettingsForm& f) { f.outBuffer = "63"; }, [](SettingsForm& f) { f.inMaxSigns = "0"; },
             [](SettingsForm& f) { f.baud.clear(); }, [](SettingsForm& f) { f.parity = -1; },
             [](SettingsForm& f) { f.inTerminator = "13;13"; }, [](SettingsForm& f) { f.outTerminator = "x"; },
             [](SettingsForm& f) { f.inSubTerminator = "300"; },
             [](SettingsForm& f) { f.inSubTerminator = "44;256"; }}) {
        SettingsForm spoiled = form;
        spoil(spoiled);
        EXPECT_FALSE(formComplete(spoiled));
    }

    // A negative count read from a file is refused as 0 is, not read as its digits.
    SettingsForm negative = form;
    std::string file = setFileText(form);
    replaceAll(file, "INMAXSIGNS=60", "INMAXSIGNS=-1");
    readSetFile(file, negative);
    EXPECT_FALSE(formComplete(negative));

    DeviceSettings settings = settingsFromForm(form);
    EXPECT_EQ(settings.baud, 9600);
    EXPECT_FLOAT_EQ(settings.stopBits, 1.5f);
    EXPECT_EQ(settings.handshake, 2);
    EXPECT_EQ(settings.inTerminator, "\r\n");
    EXPECT_EQ(settings.inSubTerminator, ",");
    EXPECT_EQ(settings.errQuery, 1);
    SettingsForm back = formFromSettings(settings);
    EXPECT_EQ(setFileText(back), setFileText(form));
    EXPECT_EQ(resetForm().errGetCmd, "");
}

TEST(DeviceSettings, AFreshFormGivesTheSettingsOfAFreshPort)
{
    const DeviceSettings fresh;
    const DeviceSettings fromForm = settingsFromForm(SettingsForm{});
    for (const PortSetting& setting : portSettings) {
        const std::string name = setting.key ? setting.key : "file";
        if (setting.string) {
            EXPECT_EQ(fromForm.*setting.string, fresh.*setting.string) << name;
        }
        // The lists of a fresh form have nothing chosen.
        if (setting.number && setting.kind != SettingKind::Choice && setting.kind != SettingKind::Index) {
            EXPECT_EQ(fromForm.*setting.number, fresh.*setting.number) << name;
        }
    }
}

TEST(DeviceSettings, TheNewOptionsAreLinesAfterTheTwentyTwoOnlyWhenOn)
{
    SettingsForm form = completeForm();
    const std::string off = setFileText(form);
    form.readAtOnce = true;
    // A reader of the 22 lines finds every value in its place.
    EXPECT_EQ(setFileText(form), off + "READATONCE=1\n");
    form.sendAsIs = true;
    form.skipEcho = true;
    form.onLoss = 1;
    form.lossWait = "0120";
    const std::string on = setFileText(form);
    EXPECT_EQ(on, off + "SENDASIS=1\nREADATONCE=1\nSKIPECHO=1\nONLOSS=1\nLOSSWAIT=120\n");
    SettingsForm back;
    readSetFile(on, back);
    EXPECT_EQ(settingsFromForm(back).onLoss, 1);
    EXPECT_EQ(settingsFromForm(back).lossWait, 120);
    EXPECT_TRUE(back.sendAsIs);
    EXPECT_TRUE(back.readAtOnce);
    EXPECT_EQ(settingsFromForm(back).skipEcho, 1);
    EXPECT_EQ(settingsFromForm(back).sendAsIs, 1);
    EXPECT_EQ(settingsFromForm(back).readAtOnce, 1);
    // A file without the lines loads with both off, whatever the form held.
    readSetFile(off, back);
    EXPECT_FALSE(back.sendAsIs);
    EXPECT_FALSE(back.readAtOnce);
    EXPECT_FALSE(back.skipEcho);
    EXPECT_EQ(back.onLoss, 0);
    EXPECT_EQ(back.lossWait, "60");
    EXPECT_EQ(setFileText(back), off);
    // A policy the list does not have is the default's.
    readSetFile(off + "ONLOSS=7\n", back);
    EXPECT_EQ(back.onLoss, 0);
}
