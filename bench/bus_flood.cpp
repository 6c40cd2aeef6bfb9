// A caller on the session bus that floods a tray item: it writes all its calls at once and reads
// nothing until the last is written, as a careless or hostile client would. A third of them ask for
// all the item's properties, a third for its menu's layout, a third for its introspection data.
// It speaks the wire protocol on a socket of its own, so no library reads replies behind its back.
// usage: bus_flood <item's bus name> [calls]
// Prints "<replies> <reply bytes> <ms>" once every call has had its answer (or 60 s have passed).
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Little-endian D-Bus marshalling of the few types these calls need.
class Message {
public:
    void Align(size_t n) { bytes_.resize((bytes_.size() + n - 1) / n * n, 0); }
    void Byte(uint8_t b) { bytes_.push_back(b); }
    void U32(uint32_t v) {
        Align(4);
        bytes_.insert(bytes_.end(), reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 4);
    }
    void String(const std::string& s) {
        U32(static_cast<uint32_t>(s.size()));
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        Byte(0);
    }
    void Signature(const std::string& s) {
        Byte(static_cast<uint8_t>(s.size()));
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        Byte(0);
    }
    void Put(size_t at, uint32_t v) { std::memcpy(bytes_.data() + at, &v, 4); }
    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

struct Call {
    std::string destination, path, interface, member, signature;
    Message body;
};

std::vector<uint8_t> MethodCall(const Call& call, uint32_t serial) {
    Message m;
    for (const uint8_t b : {uint8_t('l'), uint8_t(1), uint8_t(0), uint8_t(1)}) m.Byte(b);
    m.U32(static_cast<uint32_t>(call.body.Size()));
    m.U32(serial);
    m.U32(0);  // the header fields' length, filled in below
    const size_t start = m.Size();
    auto field = [&m](uint8_t code, const char* type, const std::string& value) {
        m.Align(8);
        m.Byte(code);
        m.Signature(type);
        if (type[0] == 'g')
            m.Signature(value);
        else
            m.String(value);
    };
    field(1, "o", call.path);
    field(2, "s", call.interface);
    field(3, "s", call.member);
    field(6, "s", call.destination);
    if (!call.signature.empty()) field(8, "g", call.signature);
    m.Put(12, static_cast<uint32_t>(m.Size() - start));
    m.Align(8);
    std::vector<uint8_t> out = m.Bytes();
    out.insert(out.end(), call.body.Bytes().begin(), call.body.Bytes().end());
    return out;
}

int ConnectToSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || std::strncmp(address, "unix:path=", 10) != 0) return -1;
    std::string path = address + 10;
    path = path.substr(0, path.find(','));
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    std::strncpy(where.sun_path, path.c_str(), sizeof where.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) return -1;
    std::string uid = std::to_string(getuid()), hex;
    for (const char c : uid) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    const std::string auth = std::string(1, '\0') + "AUTH EXTERNAL " + hex + "\r\n";
    char answer[256] = {};
    if (write(fd, auth.data(), auth.size()) != static_cast<ssize_t>(auth.size()) ||
        read(fd, answer, sizeof answer - 1) <= 0 || std::strncmp(answer, "OK", 2) != 0 ||
        write(fd, "BEGIN\r\n", 7) != 7)
        return -1;
    return fd;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The REPLY_SERIAL header field of a message, which says which call it answers; 0 if it has none.
uint32_t ReplySerial(const uint8_t* message, uint32_t fieldsLength) {
    auto align = [](size_t at, size_t n) { return (at + n - 1) / n * n; };
    uint32_t serial = 0;
    for (size_t at = 16; at < 16 + fieldsLength; at = align(at, 8)) {
        const uint8_t code = message[at];
        const char kind = static_cast<char>(message[at + 2]);  // each field's value is of one type
        size_t value = at + 3 + message[at + 1];
        if (kind == 'g') {
            at = value + 1 + message[value] + 1;
            continue;
        }
        value = align(value, 4);
        uint32_t number;
        std::memcpy(&number, message + value, 4);
        if (code == 5) serial = number;
        at = value + 4 + (kind == 's' || kind == 'o' ? number + 1 : 0);
    }
    return serial;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bus_flood <bus name> [calls]\n");
        return 2;
    }
    const std::string item = argv[1];
    const int calls = argc > 2 ? std::atoi(argv[2]) : 6000;
    const int fd = ConnectToSessionBus();
    if (fd < 0) {
        std::fprintf(stderr, "bus_flood: cannot reach the session bus\n");
        return 1;
    }
    Call hello{"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello", "", {}};
    Call getAll{item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "GetAll", "s", {}};
    getAll.body.String("org.kde.StatusNotifierItem");
    Call layout{item, "/MenuBar", "com.canonical.dbusmenu", "GetLayout", "iias", {}};
    layout.body.U32(0);
    layout.body.U32(static_cast<uint32_t>(-1));
    layout.body.U32(0);  // no property names: all of them
    Call introspect{item, "/StatusNotifierItem", "org.freedesktop.DBus.Introspectable", "Introspect", "", {}};

    std::vector<uint8_t> all = MethodCall(hello, 1);
    for (int i = 0; i < calls; ++i) {
        const std::vector<uint8_t> one = MethodCall(i % 3 == 0   ? getAll
                                                    : i % 3 == 1 ? layout
                                                                 : introspect,
                                                    static_cast<uint32_t>(i + 2));
        all.insert(all.end(), one.begin(), one.end());
    }
    const auto start = std::chrono::steady_clock::now();
    if (!WriteAll(fd, all)) return 1;

    // Now read: every reply to a call of ours (Hello's left aside), until all are in.
    timeval limit{60, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::vector<uint8_t> in;
    size_t used = 0;
    long replies = 0, replyBytes = 0;
    char buffer[1 << 16];
    while (replies < calls) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        in.insert(in.end(), buffer, buffer + n);
        while (in.size() - used >= 16) {
            uint32_t bodyLength, fieldsLength;
            std::memcpy(&bodyLength, &in[used + 4], 4);
            std::memcpy(&fieldsLength, &in[used + 12], 4);
            const size_t total = (16 + fieldsLength + 7) / 8 * 8 + bodyLength;
            if (in.size() - used < total) break;
            const uint8_t type = in[used + 1];
            const uint32_t serial = ReplySerial(&in[used], fieldsLength);
            if ((type == 2 || type == 3) && serial >= 2) {
                ++replies;
                replyBytes += static_cast<long>(total);
            }
            used += total;
        }
        if (used > (1 << 20)) {
            in.erase(in.begin(), in.begin() + static_cast<long>(used));
            used = 0;
        }
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%ld %ld %.0f\n", replies, replyBytes, ms);
    close(fd);
    return replies == calls ? 0 : 1;
}
