// The settings window (window 3) with its pages.
#pragma once

void createSettingsWindow();
bool portPageShown();
bool protocolPageShown();
