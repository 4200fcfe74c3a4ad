#include "platform/HidapiBackend.h"

#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/HidDescriptor.h"
#include "platform/Trace.h"
#include "platform/Utf8.h"

namespace zanvor {

// hid_init on first use, hid_exit when the last backend or open device lets go.
struct HidapiBackend::Library {
    Library() : ok(hid_init() == 0) {}
    ~Library() { hid_exit(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    static std::shared_ptr<Library> Acquire() {
        static std::mutex mutex;  // guards `current`
        static std::weak_ptr<Library> current;
        std::lock_guard lock(mutex);
        std::shared_ptr<Library> library = current.lock();
        if (!library) {
            library = std::make_shared<Library>();
            current = library;
        }
        return library;
    }

    bool ok;
};

namespace {

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

bool ReadDescriptorFromNode(const std::string& node, std::vector<uint8_t>& descriptor) {
    UniqueFd fd(::open(node.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        return false;
    }
    int size = 0;
    if (::ioctl(fd.get(), HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 ||
        size > HID_MAX_DESCRIPTOR_SIZE) {
        return false;
    }
    hidraw_report_descriptor raw{};
    raw.size = static_cast<uint32_t>(size);
    if (::ioctl(fd.get(), HIDIOCGRDESC, &raw) < 0) {
        return false;
    }
    descriptor.assign(raw.value, raw.value + raw.size);
    return true;
}

struct HidDeviceCloser {
    void operator()(hid_device* device) const { hid_close(device); }
};

class HidapiDevice : public HidDevice {
  public:
    HidapiDevice(std::shared_ptr<void> library, hid_device* device, HidInterfaceCaps caps)
        : library_(std::move(library)), device_(device), caps_(caps) {}
    ~HidapiDevice() override {
        device_.reset();  // closed before the library may shut down
    }

    int Write(const uint8_t* data, size_t length) override {
        return hid_write(device_.get(), data, length);
    }
    int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override {
        return hid_read_timeout(device_.get(), data, length, timeoutMs);
    }
    int OutputReportLength() const override { return caps_.output_report_length; }
    int InputReportLength() const override { return caps_.input_report_length; }

  private:
    std::shared_ptr<void> library_;
    std::unique_ptr<hid_device, HidDeviceCloser> device_;
    HidInterfaceCaps caps_;
};

}  // namespace

std::string HidrawNodeName(const std::string& path) {
    size_t end = path.size();
    while (end > 0) {
        size_t start = path.rfind('/', end - 1);
        start = start == std::string::npos ? 0 : start + 1;
        std::string component = path.substr(start, end - start);
        for (char& c : component) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if (component.size() > 6 && component.compare(0, 6, "hidraw") == 0 &&
            component.find_first_not_of("0123456789", 6) == std::string::npos) {
            return component;
        }
        if (start == 0) {
            break;
        }
        end = start - 1;
    }
    return {};
}

bool ReadHidrawReportDescriptor(const std::string& sysfsRoot, const std::string& path,
                                std::vector<uint8_t>& descriptor) {
    descriptor.clear();
    const std::string node = HidrawNodeName(path);
    if (node.empty()) {
        return false;
    }
    std::ifstream file(sysfsRoot + "/class/hidraw/" + node + "/device/report_descriptor",
                       std::ios::binary);
    if (file) {
        descriptor.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (!descriptor.empty()) {
            return true;
        }
    }
    if (path.compare(0, 5, "/dev/") == 0) {
        return ReadDescriptorFromNode(path, descriptor);
    }
    return false;
}

HidapiBackend::HidapiBackend(std::string sysfsRoot)
    : library_(Library::Acquire()), sysfsRoot_(std::move(sysfsRoot)) {}

HidapiBackend::~HidapiBackend() = default;

std::vector<HidInterfaceInfo> HidapiBackend::Enumerate() {
    std::vector<HidInterfaceInfo> interfaces;
    if (!library_->ok) {
        return interfaces;
    }
    struct Free {
        void operator()(hid_device_info* list) const { hid_free_enumeration(list); }
    };
    std::unique_ptr<hid_device_info, Free> list(hid_enumerate(0, 0));
    for (const hid_device_info* info = list.get(); info != nullptr; info = info->next) {
        HidInterfaceInfo entry;
        entry.path = info->path != nullptr ? info->path : "";
        entry.vendor_id = info->vendor_id;
        entry.product_id = info->product_id;
        entry.product_string = WideToUtf8(info->product_string);
        entry.release_number = info->release_number;
        entry.usage_page = info->usage_page;
        entry.usage = info->usage;
        entry.interface_number = info->interface_number;
        interfaces.push_back(std::move(entry));
    }
    return interfaces;
}

std::unique_ptr<HidDevice> HidapiBackend::Open(const std::string& path) {
    if (!library_->ok) {
        return nullptr;
    }
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) {
        return nullptr;
    }
    HidInterfaceCaps caps;
    std::vector<uint8_t> descriptor;
    if (!ReadHidrawReportDescriptor(sysfsRoot_, path, descriptor) ||
        !InterfaceCapsFromDescriptor(descriptor.data(), descriptor.size(), caps)) {
        Trace("HidapiBackend: no report descriptor for %s, assuming %d-byte reports\n",
              path.c_str(), kDefaultReportLength);
    }
    return std::make_unique<HidapiDevice>(library_, device, caps);
}

bool HidapiBackend::QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) {
    std::vector<uint8_t> descriptor;
    HidInterfaceCaps caps;
    if (!ReadHidrawReportDescriptor(sysfsRoot_, path, descriptor) ||
        !InterfaceCapsFromDescriptor(descriptor.data(), descriptor.size(), caps)) {
        return false;
    }
    usagePage = caps.usage_page;
    usage = caps.usage;
    return true;
}

bool HidapiBackend::OpenDenied(const std::string& path) {
    if (::access(path.c_str(), R_OK | W_OK) == 0) {
        return false;
    }
    return errno == EACCES || errno == EPERM;
}

std::shared_ptr<HidBackend> CreateHidapiBackend() {
    return std::make_shared<HidapiBackend>();
}

}  // namespace zanvor
