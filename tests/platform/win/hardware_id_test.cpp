// The adapter address by NetBIOS: packed as the YARL program gets it, and
// the address of an adapter the system lists.
#include "platform/hardware_id.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <vector>

#include <gtest/gtest.h>

namespace {

// The six-byte physical addresses of the system's adapters.
std::vector<std::vector<unsigned char>> adapter_addresses() {
  std::vector<std::vector<unsigned char>> found;
  ULONG size = 64 << 10;
  std::vector<unsigned char> buffer(size);
  auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
  if (GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, list, &size) != NO_ERROR) return found;
  for (auto* a = list; a != nullptr; a = a->Next)
    if (a->PhysicalAddressLength == 6) found.emplace_back(a->PhysicalAddress, a->PhysicalAddress + 6);
  return found;
}

TEST(WinHardwareId, IsZeroOrAnAdaptersAddressPackedInTwoNumbers) {
  uint32_t high = 1, low = 1;
  get_hardware_id(&high, &low);
  if (high == 0) {
    EXPECT_EQ(low, 0u) << "no adapter: both 0";
    return;
  }
  EXPECT_EQ(high >> 16, 6u);
  std::vector<unsigned char> got = {static_cast<unsigned char>(high >> 8), static_cast<unsigned char>(high),
                                    static_cast<unsigned char>(low >> 24), static_cast<unsigned char>(low >> 16),
                                    static_cast<unsigned char>(low >> 8),  static_cast<unsigned char>(low)};
  bool listed = false;
  for (const auto& a : adapter_addresses()) listed |= a == got;
  EXPECT_TRUE(listed);
}

}  // namespace
