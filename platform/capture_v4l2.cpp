#include "platform/capture_v4l2.h"

#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace zemra {

struct V4l2Camera::Io {
    int (*open)(const char* path, int flags);
    int (*close)(int fd);
    int (*ioctl)(int fd, unsigned long request, void* arg);
    void* (*mmap)(void* start, size_t length, int prot, int flags, int fd, int64_t offset);
    int (*munmap)(void* start, size_t length);
};

namespace {

const V4l2Camera::Io kConvertedIo{
    [](const char* path, int flags) { return v4l2_open(path, flags); },
    [](int fd) { return v4l2_close(fd); },
    [](int fd, unsigned long request, void* arg) { return v4l2_ioctl(fd, request, arg); },
    [](void* start, size_t length, int prot, int flags, int fd, int64_t offset) {
        return v4l2_mmap(start, length, prot, flags, fd, offset);
    },
    [](void* start, size_t length) { return v4l2_munmap(start, length); },
};

const V4l2Camera::Io kNativeIo{
    [](const char* path, int flags) { return ::open(path, flags); },
    [](int fd) { return ::close(fd); },
    [](int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); },
    [](void* start, size_t length, int prot, int flags, int fd, int64_t offset) {
        return ::mmap(start, length, prot, flags, fd, static_cast<off_t>(offset));
    },
    [](void* start, size_t length) { return ::munmap(start, length); },
};

constexpr unsigned kBufferCount = 4;

int xioctl(const V4l2Camera::Io& io, int fd, unsigned long request, void* arg) {
    int result;
    do {
        result = io.ioctl(fd, request, arg);
    } while (result == -1 && errno == EINTR);
    return result;
}

uint32_t captureCaps(const v4l2_capability& cap) {
    return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
}

// Bitmap header <-> V4L2 pixel format.
uint32_t pixelFormatFor(const BitmapInfoHeader& h) {
    if (h.compression == 0) return V4L2_PIX_FMT_BGR24;
    if (h.compression == kFourCcI420 || h.compression == makeFourCc('I', 'Y', 'U', 'V')) {
        return V4L2_PIX_FMT_YUV420;
    }
    if (h.compression == kFourCcYuy2) return V4L2_PIX_FMT_YUYV;
    return h.compression;
}

BitmapInfoHeader headerFor(const v4l2_pix_format& pix) {
    BitmapInfoHeader h;
    h.width = static_cast<int32_t>(pix.width);
    h.height = static_cast<int32_t>(pix.height);
    h.planes = 1;
    switch (pix.pixelformat) {
        case V4L2_PIX_FMT_BGR24:
            h.bitCount = 24;
            h.compression = 0;
            h.sizeImage = h.imageBytes();
            return h;
        case V4L2_PIX_FMT_YUV420:
            h.bitCount = 12;
            h.compression = kFourCcI420;
            break;
        case V4L2_PIX_FMT_YUYV:
            h.bitCount = 16;
            h.compression = kFourCcYuy2;
            break;
        default:
            h.bitCount = pix.width ? static_cast<uint16_t>(pix.bytesperline * 8 / pix.width) : 0;
            if (h.bitCount == 0) h.bitCount = 24;
            h.compression = pix.pixelformat;
            break;
    }
    h.sizeImage = pix.sizeimage;
    return h;
}

}  // namespace

std::vector<V4l2Device> listV4l2Devices() {
    std::vector<V4l2Device> devices;
    for (int number = 0; number < 64; ++number) {
        const std::string path = "/dev/video" + std::to_string(number);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) continue;
        const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        v4l2_capability cap{};
        const bool ok = ::ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0 &&
                        (captureCaps(cap) & V4L2_CAP_VIDEO_CAPTURE) &&
                        (captureCaps(cap) & V4L2_CAP_STREAMING);
        ::close(fd);
        if (ok) {
            const auto* card = reinterpret_cast<const char*>(cap.card);
            devices.push_back({path, std::string(card, strnlen(card, sizeof cap.card))});
        }
    }
    return devices;
}

std::unique_ptr<V4l2Camera> V4l2Camera::open(const V4l2Device& device, CameraAccess access) {
    const Io& io = access == CameraAccess::kConverted ? kConvertedIo : kNativeIo;
    const int fd = io.open(device.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    v4l2_capability cap{};
    if (xioctl(io, fd, VIDIOC_QUERYCAP, &cap) != 0 ||
        !(captureCaps(cap) & V4L2_CAP_VIDEO_CAPTURE) || !(captureCaps(cap) & V4L2_CAP_STREAMING)) {
        io.close(fd);
        return nullptr;
    }
    return std::unique_ptr<V4l2Camera>(new V4l2Camera(io, fd, device.name));
}

V4l2Camera::~V4l2Camera() {
    stop();
    io_.close(fd_);
}

BitmapInfoHeader V4l2Camera::format() const {
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(io_, fd_, VIDIOC_G_FMT, &fmt) != 0) return {};
    return headerFor(fmt.fmt.pix);
}

bool V4l2Camera::setFormat(const BitmapInfoHeader& wanted) {
    if (thread_.joinable()) return false;
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(io_, fd_, VIDIOC_G_FMT, &fmt) != 0) return false;
    fmt.fmt.pix.width = static_cast<uint32_t>(wanted.width);
    fmt.fmt.pix.height = static_cast<uint32_t>(wanted.height < 0 ? -wanted.height : wanted.height);
    fmt.fmt.pix.pixelformat = pixelFormatFor(wanted);
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    fmt.fmt.pix.bytesperline = 0;
    const uint32_t width = fmt.fmt.pix.width;
    const uint32_t height = fmt.fmt.pix.height;
    const uint32_t pixelFormat = fmt.fmt.pix.pixelformat;
    if (xioctl(io_, fd_, VIDIOC_S_FMT, &fmt) != 0) return false;
    return fmt.fmt.pix.width == width && fmt.fmt.pix.height == height &&
           fmt.fmt.pix.pixelformat == pixelFormat;
}

void V4l2Camera::setFrameInterval(uint32_t microseconds) {
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe.numerator = microseconds;
    parm.parm.capture.timeperframe.denominator = 1000000;
    xioctl(io_, fd_, VIDIOC_S_PARM, &parm);  // cameras without the control keep their rate
}

bool V4l2Camera::mapBuffers() {
    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (xioctl(io_, fd_, VIDIOC_REQBUFS, &request) != 0 || request.count == 0) return false;
    for (unsigned i = 0; i < request.count; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (xioctl(io_, fd_, VIDIOC_QUERYBUF, &buf) != 0) return false;
        void* start =
            io_.mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buf.m.offset);
        if (start == MAP_FAILED) return false;
        buffers_.push_back({start, buf.length});
        if (xioctl(io_, fd_, VIDIOC_QBUF, &buf) != 0) return false;
    }
    return true;
}

void V4l2Camera::unmapBuffers() {
    for (const Buffer& b : buffers_) io_.munmap(b.start, b.length);
    buffers_.clear();
    v4l2_requestbuffers request{};
    request.count = 0;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    xioctl(io_, fd_, VIDIOC_REQBUFS, &request);
}

bool V4l2Camera::start(FrameHandler handler) {
    if (thread_.joinable() || !handler) return false;
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(io_, fd_, VIDIOC_G_FMT, &fmt) != 0) return false;
    pixelFormat_ = fmt.fmt.pix.pixelformat;
    width_ = fmt.fmt.pix.width;
    height_ = fmt.fmt.pix.height;
    bytesPerLine_ = fmt.fmt.pix.bytesperline;
    if (!mapBuffers()) {
        unmapBuffers();
        return false;
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(io_, fd_, VIDIOC_STREAMON, &type) != 0) {
        unmapBuffers();
        return false;
    }
    handler_ = std::move(handler);
    stopping_ = false;
    thread_ = std::thread([this] { deliver(); });
    return true;
}

void V4l2Camera::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    thread_.join();
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    xioctl(io_, fd_, VIDIOC_STREAMOFF, &type);
    unmapBuffers();
    handler_ = nullptr;
}

const uint8_t* V4l2Camera::picture(const Buffer& buffer, size_t used, size_t& length) {
    used = std::min(used, buffer.length);
    if (pixelFormat_ != V4L2_PIX_FMT_BGR24) {
        length = used;
        return static_cast<const uint8_t*>(buffer.start);
    }
    // Bitmaps are bottom-up with 4-byte rows; cameras send top-down rows.
    BitmapInfoHeader header;
    header.width = static_cast<int32_t>(width_);
    header.height = static_cast<int32_t>(height_);
    header.bitCount = 24;
    const size_t rowIn = bytesPerLine_ ? bytesPerLine_ : width_ * 3;
    const size_t rowOut = header.rowStride();
    const size_t rows = height_;
    if (rowIn < width_ * 3 || used < rowIn * rows) return nullptr;
    flipped_.resize(rowOut * rows);
    const auto* in = static_cast<const uint8_t*>(buffer.start);
    for (size_t r = 0; r < rows; ++r) {
        std::memcpy(flipped_.data() + (rows - 1 - r) * rowOut, in + r * rowIn, width_ * 3);
    }
    length = flipped_.size();
    return flipped_.data();
}

void V4l2Camera::deliver() {
    while (!stopping_) {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, 100);
        if (ready <= 0) continue;
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        if (xioctl(io_, fd_, VIDIOC_DQBUF, &buf) != 0) {
            if (errno != EAGAIN) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (buf.index < buffers_.size() && !(buf.flags & V4L2_BUF_FLAG_ERROR)) {
            size_t length = 0;
            if (const uint8_t* bits = picture(buffers_[buf.index], buf.bytesused, length)) {
                handler_(bits, length);
            }
        }
        xioctl(io_, fd_, VIDIOC_QBUF, &buf);
    }
}

}  // namespace zemra
