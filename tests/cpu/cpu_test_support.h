// Running single instructions for the processor tests.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "cpu/cpu.h"
#include "cpu/operands.h"
#include "cpu/registers.h"
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "support/machine.h"

// Instructions under test are placed in work RAM, where the bus lets the test
// write them and where every operand address is plain memory.
constexpr uint16_t CodeAddress = 0xC000;

// Writes the bytes at the address through the bus.
inline void Poke(uint16_t address, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) BusWrite(m, address++, b);
}

// Places the instruction at CodeAddress, points PC at it and runs one step.
inline void Execute(std::initializer_list<uint8_t> bytes) {
  Poke(CodeAddress, bytes);
  m.cpu.PC = CodeAddress;
  CpuStep(m);
}

// A 32 KiB image without a controller, with code placed at addresses.
struct RomBuilder {
  std::vector<uint8_t> image = std::vector<uint8_t>(0x8000, 0x00);
  RomBuilder& At(uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) image[address++] = b;
    return *this;
  }
};

// Fresh machine running the image from 0x0100, without the V-blank request
// that the start-up leaves pending: each test makes its own requests.
inline void StartRom(const RomBuilder& rom) {
  ResetTestMachine(rom.image);
  m.io.IF = 0;
}
