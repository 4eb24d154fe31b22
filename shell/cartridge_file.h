// A cartridge file put into the machine: read whole (a plain image, a gzip
// file or a ZIP archive), then handed over as bytes.
#pragma once
#include <string>

#include "machine/machine.h"

// Reads the file at the path and puts its cartridge into the machine. False
// with *error ("is a directory", "Couldn't open file (...)", or what the
// machine says of the bytes) when it cannot be loaded.
bool LoadCartridgeFile(Machine& machine, const char* path, std::string* error);
