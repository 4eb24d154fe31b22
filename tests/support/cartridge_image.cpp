#include "support/cartridge_image.h"

#include <algorithm>

#include "memory/cartridge_header.h"

void GiveValidHeader(std::vector<uint8_t>& image) {
  if (image.size() < static_cast<size_t>(HeaderEnd)) image.resize(HeaderEnd, 0);
  std::copy(HeaderLogo, HeaderLogo + LogoSize, image.begin() + LogoAt);
  image[HeaderChecksumAt] = HeaderChecksum(image.data());
}
