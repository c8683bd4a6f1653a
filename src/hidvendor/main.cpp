// hidvendor: run by udev for a hidraw node (IMPORT{program}); prints
//
//   VX_HID_VENDOR_PAGE=FF00
//
// when the node's interface has a top-level collection on a vendor-defined
// usage page and no keyboard collection, and nothing otherwise.
//
//   hidvendor SYSPATH         the node's sysfs folder (udev's %S%p)
//   hidvendor                 the same from udev's DEVPATH
//   hidvendor --descriptor FILE
//
// Exit codes: 0 answered (with or without the line), 1 the descriptor could
// not be read, 2 bad arguments.

#include "hiddescriptor.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// The kernel keeps at most 4096 bytes of a descriptor; anything longer is not one.
constexpr std::size_t kMaxDescriptor = 4096;

bool readDescriptor(const std::string &path, std::vector<std::uint8_t> *out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "hidvendor: %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    out->resize(kMaxDescriptor + 1);
    std::size_t have = 0;
    bool ok = true;
    while (have < out->size()) {
        const ssize_t n = ::read(fd, out->data() + have, out->size() - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            std::fprintf(stderr, "hidvendor: %s: %s\n", path.c_str(), std::strerror(errno));
            ok = false;
        }
        if (n <= 0)
            break;
        have += std::size_t(n);
    }
    ::close(fd);
    if (ok && have > kMaxDescriptor) {
        std::fprintf(stderr, "hidvendor: %s: longer than %zu bytes\n", path.c_str(), kMaxDescriptor);
        ok = false;
    }
    out->resize(have);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    std::string path;
    if (argc == 3 && std::strcmp(argv[1], "--descriptor") == 0) {
        path = argv[2];
    } else if (argc == 2 && argv[1][0] != '-') {
        path = std::string(argv[1]) + "/device/report_descriptor";
    } else if (argc == 1 && std::getenv("DEVPATH")) {
        path = std::string("/sys") + std::getenv("DEVPATH") + "/device/report_descriptor";
    } else {
        std::fprintf(stderr, "usage: hidvendor SYSPATH | hidvendor --descriptor FILE\n");
        return 2;
    }
    std::vector<std::uint8_t> descriptor;
    if (!readDescriptor(path, &descriptor))
        return 1;
    const std::uint16_t page = grantableVendorPage(parseHidDescriptor(descriptor.data(), descriptor.size()));
    if (page != 0 && std::printf("VX_HID_VENDOR_PAGE=%04X\n", unsigned(page)) < 0)
        return 1;
    return 0;
}
