#include "platform/UDisksOpen.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace quillot {

namespace {
thread_local int gAccessRequestDepth = 0;
}  // namespace

TAccessRequestScope::TAccessRequestScope() { ++gAccessRequestDepth; }
TAccessRequestScope::~TAccessRequestScope() { --gAccessRequestDepth; }
bool TAccessRequestScope::Active() { return gAccessRequestDepth > 0; }

TGrantedDevices::~TGrantedDevices() {
  for (const auto& [key, fd] : granted_) ::close(fd);
}

int TGrantedDevices::Open(const std::string& path, dev_t rdev, bool mayPrompt, std::string& error) {
  std::lock_guard lock(mutex_);
  const TKey key{path, rdev};
  if (auto known = granted_.find(key); known != granted_.end()) {
    const int copy = ::fcntl(known->second, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) error = path + ": " + std::strerror(errno);
    return copy;
  }
  const bool prompt = mayPrompt && !prompted_.count(key);
  if (prompt) prompted_.insert(key);
  const int fd = ask_(path, prompt, error);
  if (fd < 0) return -1;
  const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) {
    error = path + ": " + std::strerror(errno);
    ::close(fd);
    return -1;
  }
  granted_[key] = fd;
  return copy;
}

namespace {
constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kBlockInterface = "org.freedesktop.UDisks2.Block";
// A quiet question is answered at once or not at all; a prompt waits for a person to type a password.
constexpr uint64_t kQuietTimeoutUsec = 5'000'000;
constexpr uint64_t kPromptTimeoutUsec = 300'000'000;

// One connection to the system bus (DBUS_SYSTEM_BUS_ADDRESS where set), closed when done.
class TSystemBus {
 public:
  TSystemBus() = default;
  ~TSystemBus() { sd_bus_flush_close_unref(bus_); }
  TSystemBus(const TSystemBus&) = delete;
  TSystemBus& operator=(const TSystemBus&) = delete;
  bool Connect(std::string& error) {
    const int r = sd_bus_open_system(&bus_);
    if (r < 0) error = std::string("no system bus: ") + std::strerror(-r);
    return r >= 0;
  }
  sd_bus* Get() const { return bus_; }

 private:
  sd_bus* bus_ = nullptr;
};

struct TReply {
  sd_bus_message* message = nullptr;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  ~TReply() {
    sd_bus_message_unref(message);
    sd_bus_error_free(&error);
  }
  std::string Why(int r) const { return error.message ? error.message : std::strerror(-r); }
};

// The object path udisks2 gives a kernel device name: letters and digits as they are, any other byte as
// "_" and two hex digits.
std::string ObjectPathOfName(const std::string& name) {
  std::string path = "/org/freedesktop/UDisks2/block_devices/";
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      path += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789abcdef";
      path += '_';
      path += kHex[c >> 4];
      path += kHex[c & 15];
    }
  }
  return path;
}

// A bytestring property (a node path ending in NUL), or nothing.
std::optional<std::string> BytesProperty(sd_bus* bus, const std::string& object, const char* name) {
  TReply reply;
  if (sd_bus_get_property(bus, kService, object.c_str(), kBlockInterface, name, &reply.error, &reply.message, "ay") < 0)
    return std::nullopt;
  const void* bytes = nullptr;
  size_t size = 0;
  if (sd_bus_message_read_array(reply.message, 'y', &bytes, &size) < 0) return std::nullopt;
  std::string text(static_cast<const char*>(bytes), size);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// The block object that stands for the node at path: through Manager.ResolveDevice, or where that call
// is not there yet (udisks2 before 2.7.3), the object named after the node whose Device or
// PreferredDevice is the path.
std::optional<std::string> BlockObjectOf(sd_bus* bus, const std::string& path, std::string& error) {
  TReply reply;
  int r = sd_bus_call_method(bus, kService, "/org/freedesktop/UDisks2/Manager", "org.freedesktop.UDisks2.Manager",
                             "ResolveDevice", &reply.error, &reply.message, "a{sv}a{sv}", 1, "path", "s", path.c_str(),
                             0);
  if (r >= 0) {
    const char* object = nullptr;
    if (sd_bus_message_enter_container(reply.message, 'a', "o") > 0 &&
        sd_bus_message_read(reply.message, "o", &object) > 0 && object != nullptr)
      return std::string(object);
    error = path + ": udisks2 does not know this device";
    return std::nullopt;
  }
  if (!sd_bus_error_has_name(&reply.error, SD_BUS_ERROR_UNKNOWN_METHOD)) {
    error = path + ": " + reply.Why(r);
    return std::nullopt;
  }
  const std::string name = path.substr(path.rfind('/') + 1);
  const std::string object = ObjectPathOfName(name);
  if (BytesProperty(bus, object, "Device") == path || BytesProperty(bus, object, "PreferredDevice") == path)
    return object;
  error = path + ": udisks2 does not know this device";
  return std::nullopt;
}

bool IsBlockDeviceNode(const std::string& path, dev_t& rdev) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return false;
  rdev = st.st_rdev;
  return true;
}

int AskUDisks(const std::string& path, bool mayPrompt, std::string& error) {
  TSystemBus bus;
  if (!bus.Connect(error)) return -1;
  const auto object = BlockObjectOf(bus.Get(), path, error);
  if (!object) return -1;
  sd_bus_message* call = nullptr;
  if (sd_bus_message_new_method_call(bus.Get(), &call, kService, object->c_str(), kBlockInterface, "OpenForBackup") <
      0) {
    error = path + ": cannot build the call to udisks2";
    return -1;
  }
  // Both ways of saying whether a password prompt may come: the option udisks2 reads and the bus flag.
  int r = sd_bus_message_append(call, "a{sv}", 1, "auth.no_user_interaction", "b", mayPrompt ? 0 : 1);
  if (r >= 0) r = sd_bus_message_set_allow_interactive_authorization(call, mayPrompt ? 1 : 0);
  TReply reply;
  if (r >= 0)
    r = sd_bus_call(bus.Get(), call, mayPrompt ? kPromptTimeoutUsec : kQuietTimeoutUsec, &reply.error, &reply.message);
  sd_bus_message_unref(call);
  if (r < 0) {
    error = path + ": " + reply.Why(r);
    return -1;
  }
  int passed = -1;
  if (sd_bus_message_read(reply.message, "h", &passed) < 0 || passed < 0) {
    error = path + ": udisks2 gave no descriptor";
    return -1;
  }
  // The reply owns the descriptor it carries.
  const int fd = ::fcntl(passed, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) error = path + ": " + std::strerror(errno);
  return fd;
}

TGrantedDevices& GrantedDevices() {
  static auto* granted = new TGrantedDevices(AskUDisks);  // never destroyed: exit handlers may still read
  return *granted;
}

std::string StringProperty(sd_bus* bus, const std::string& object, const char* name) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  char* value = nullptr;
  std::string text;
  if (sd_bus_get_property_string(bus, kService, object.c_str(), kBlockInterface, name, &error, &value) >= 0 && value)
    text = value;
  std::free(value);
  sd_bus_error_free(&error);
  return text;
}
}  // namespace

int OpenThroughUDisks(const std::string& path, std::string& error) {
  dev_t rdev = 0;
  if (!IsBlockDeviceNode(path, rdev)) {
    error = path + ": not a block device";
    return -1;
  }
  return GrantedDevices().Open(path, rdev, TAccessRequestScope::Active(), error);
}

bool UDisksFactsOf(const std::string& path, TUDisksFacts& facts) {
  dev_t rdev = 0;
  if (!IsBlockDeviceNode(path, rdev)) return false;
  TSystemBus bus;
  std::string error;
  if (!bus.Connect(error)) return false;
  const auto object = BlockObjectOf(bus.Get(), path, error);
  if (!object) return false;
  facts.Type = StringProperty(bus.Get(), *object, "IdType");
  facts.Label = StringProperty(bus.Get(), *object, "IdLabel");
  facts.Uuid = StringProperty(bus.Get(), *object, "IdUUID");
  sd_bus_error error2 = SD_BUS_ERROR_NULL;
  uint64_t size = 0;
  if (sd_bus_get_property_trivial(bus.Get(), kService, object->c_str(), kBlockInterface, "Size", &error2, 't', &size) >=
      0)
    facts.Size = size;
  sd_bus_error_free(&error2);
  return true;
}

}  // namespace quillot
