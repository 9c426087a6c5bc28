// The settings window (window 3) with its pages.
#pragma once

void createSettingsWindow();
void enableSubStringFields();
void enableErrorQueryFields();
bool portPageShown();
bool protocolPageShown();
