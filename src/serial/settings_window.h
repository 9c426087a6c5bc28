// The settings window (window 3) with its pages.
#pragma once

void createSettingsWindow();
void enableSubStringFields();
void enableErrorQueryFields();
// The port chosen in the "COM-Port:" box, -1 when none.
long long selectedPortChoice();
bool portPageShown();
bool protocolPageShown();
