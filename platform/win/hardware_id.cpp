// The adapter address over NetBIOS: the status of the first adapter that
// the enumeration lists, after a reset of it.
#include "platform/hardware_id.h"

#include <windows.h>
#include <nb30.h>

#include <cstring>

namespace {

// One request on a zeroed control block; true when it succeeded.
bool netbios(UCHAR command, UCHAR lana, void* buffer, WORD length) {
  NCB ncb;
  memset(&ncb, 0, sizeof ncb);
  ncb.ncb_command = command;
  ncb.ncb_lana_num = lana;
  ncb.ncb_buffer = static_cast<PUCHAR>(buffer);
  ncb.ncb_length = length;
  if (command == NCBASTAT) memcpy(ncb.ncb_callname, "*               ", NCBNAMSZ);
  return Netbios(&ncb) == NRC_GOODRET;
}

}  // namespace

void get_hardware_id(uint32_t* high, uint32_t* low) {
  *high = 0;
  *low = 0;
  LANA_ENUM adapters;
  memset(&adapters, 0, sizeof adapters);
  if (!netbios(NCBENUM, 0, &adapters, sizeof adapters) || adapters.length == 0) return;
  UCHAR first = adapters.lana[0];
  if (!netbios(NCBRESET, first, nullptr, 0)) return;
  ADAPTER_STATUS status;
  memset(&status, 0, sizeof status);
  if (!netbios(NCBASTAT, first, &status, sizeof status)) return;
  const UCHAR* a = status.adapter_address;
  *high = 0x60000 | uint32_t(a[0]) << 8 | a[1];
  *low = uint32_t(a[2]) << 24 | uint32_t(a[3]) << 16 | uint32_t(a[4]) << 8 | a[5];
}
