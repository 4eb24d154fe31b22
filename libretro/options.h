// The core's options, which the front end shows in its menu: the colours
// of the picture.
#pragma once

// Tells the front end which options there are (from retro_set_environment).
void DeclareOptions();

// The picture in the cartridge's own colours: the option chosen, and a
// colour cartridge.
bool ShowsTrueColours();

// Reads the options from the front end: all of them as the game loads
// (take_all), or during play those the front end says have changed. A
// change of colours applies at once: the next picture is in the new ones.
void ReadOptions(bool take_all);
