#include "support/cartridge_image.h"

#include <algorithm>

#include "memory/cartridge_header.h"

// The checksum by the console's rule, worked out here rather than by the
// program's own function, so that a fault in that one shows: from 0, each
// byte of 0x134-0x14C and one more are taken away.
void GiveValidHeader(std::vector<uint8_t>& image) {
  if (image.size() < static_cast<size_t>(HeaderEnd)) image.resize(HeaderEnd, 0);
  std::copy(HeaderLogo, HeaderLogo + LogoSize, image.begin() + LogoAt);
  uint8_t checksum = 0;
  for (size_t at = 0x134; at <= 0x14C; at++) checksum = static_cast<uint8_t>(checksum - image[at] - 1);
  image[HeaderChecksumAt] = checksum;
}
