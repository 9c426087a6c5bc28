// The program beep, which the runner, the pause info window and the beep test button play.
#pragma once

// Plays the beep that the "Programm-Beeps:" choice of the settings window selects.
void PlayBeep();
