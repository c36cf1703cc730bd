// The adapter address over POSIX: the first non-loopback interface's
// hardware address.
#include "platform/hardware_id.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netpacket/packet.h>

void get_hardware_id(uint32_t* high, uint32_t* low) {
  *high = 0;
  *low = 0;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return;
  for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET) continue;
    if (entry->ifa_flags & IFF_LOOPBACK) continue;
    const sockaddr_ll* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
    if (link->sll_halen < 6) continue;
    const uint8_t* a = link->sll_addr;
    *high = 0x60000 | uint32_t(a[0]) << 8 | a[1];
    *low = uint32_t(a[2]) << 24 | uint32_t(a[3]) << 16 | uint32_t(a[4]) << 8 | a[5];
    break;
  }
  freeifaddrs(list);
}
