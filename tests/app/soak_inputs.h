#pragma once

// Random inputs for the soak run: picture files of every type the window
// opens, some of them damaged, and pictures for the clipboard. The same
// generator state gives the same inputs.
#include <QImage>
#include <random>
#include <string>

namespace orrisbay::soak {

// What a random file was made to be, for the run's tally.
enum class FileKind { Good, Truncated, RandomBytes, WrongExtension, DeclaredTooLarge, Unsupported };

struct RandomFile {
    std::string extension;  // with its dot
    std::string bytes;
    FileKind kind = FileKind::Good;
};

// A picture file of random size (up to 1024 pixels a side), depth (1, 4, 8,
// 24 or 32 bits, as the type allows) and type (BMP, PNG, JPEG, GIF, Targa);
// about one in four is damaged in one of the ways FileKind names.
RandomFile MakeRandomFile(std::mt19937& random);

// New contents for a file of the same extension as `path`, as a program
// saving over it would write them; one in ten is cut short mid-write.
std::string MakeRewrite(std::mt19937& random, const std::string& path);

// A picture for the clipboard of random size and pixel format; about one in
// twenty is a side longer than the window takes.
QImage MakeClipboardPicture(std::mt19937& random);

}  // namespace orrisbay::soak
