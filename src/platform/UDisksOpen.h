// Block devices the system will not let us open, read through udisks2 instead: its OpenForBackup hands
// back a read-only descriptor once polkit allows it, after the desktop's password prompt where one is due.
// Nothing of ours is installed for this; without a system bus or udisks2 every call here simply fails.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace quillot {

// While one lives on this thread, a refused open may bring the password prompt; outside one, udisks2 is
// asked only with auth.no_user_interaction, so listing drives never asks for a password. The recovery
// pass holds one, and so does the command line around its own first open when a person is at a terminal.
class TAccessRequestScope {
 public:
  TAccessRequestScope();
  ~TAccessRequestScope();
  TAccessRequestScope(const TAccessRequestScope&) = delete;
  TAccessRequestScope& operator=(const TAccessRequestScope&) = delete;
  static bool Active();
};

// The descriptors udisks2 gave in this run, one per device, and the devices a prompt was shown for. A
// device is asked for once: later opens get a dup() of its descriptor. A prompt comes at most once per
// device per run; after a refused one the device is asked again only without a prompt.
class TGrantedDevices {
 public:
  // Asks for a device node: a descriptor (owned by the caller) or -1 with error set.
  using TAsk = std::function<int(const std::string& path, bool mayPrompt, std::string& error)>;
  explicit TGrantedDevices(TAsk ask) : ask_(std::move(ask)) {}
  ~TGrantedDevices();
  TGrantedDevices(const TGrantedDevices&) = delete;
  TGrantedDevices& operator=(const TGrantedDevices&) = delete;

  // A new descriptor of the device at path with device number rdev (another medium or device that takes
  // the same node is another device), or -1 with error set.
  int Open(const std::string& path, dev_t rdev, bool mayPrompt, std::string& error);

 private:
  using TKey = std::pair<std::string, dev_t>;
  TAsk ask_;
  std::mutex mutex_;
  std::map<TKey, int> granted_;
  std::set<TKey> prompted_;
};

// A read-only descriptor (close-on-exec) of the block device node at path from udisks2, or -1 with error
// set; prompts only inside a TAccessRequestScope. Never asks for anything but a block device node.
int OpenThroughUDisks(const std::string& path, std::string& error);

// What udisks2 tells of a block device without opening it; empty fields where it says nothing.
struct TUDisksFacts {
  std::string Type, Label, Uuid;  // IdType, IdLabel, IdUUID
  uint64_t Size = 0;
};
// False when udisks2 does not answer for the device (no bus, no service, a device it does not know).
bool UDisksFactsOf(const std::string& path, TUDisksFacts& facts);

}  // namespace quillot
