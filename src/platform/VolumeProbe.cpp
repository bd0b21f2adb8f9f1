#include "platform/VolumeProbe.h"

#include <blkid/blkid.h>

namespace quillot {

namespace {
constexpr size_t kMaxLabel = 260;

std::string Value(blkid_probe probe, const char* name) {
  const char* data = nullptr;
  size_t length = 0;
  if (blkid_probe_lookup_value(probe, name, &data, &length) != 0 || data == nullptr) return {};
  std::string text(data, length);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}
}  // namespace

bool ProbeVolume(int fd, TVolumeFacts& facts) {
  facts = TVolumeFacts{};
  if (fd < 0) return false;
  blkid_probe probe = blkid_new_probe();
  if (probe == nullptr) return false;
  bool found = false;
  if (blkid_probe_set_device(probe, fd, 0, 0) == 0) {
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE);
    if (blkid_do_safeprobe(probe) == 0) {
      found = true;
      facts.Type = Value(probe, "TYPE");
      facts.Label = Value(probe, "LABEL").substr(0, kMaxLabel);
      facts.Serial = SerialFromUuid(facts.Type, Value(probe, "UUID"));
    }
  }
  blkid_free_probe(probe);
  return found;
}

}  // namespace quillot
