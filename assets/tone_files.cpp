// Short synthesised tones as 8 kHz 16-bit mono WAV files, and the text lists
// that fill combo boxes.
#include <QFile>
#include <QTextStream>
#include <cmath>
#include <vector>

#include "asset_art.h"

namespace zemra::assets {
namespace {

constexpr int kRate = 8000;

struct Note {
    double hz1, hz2;  // two partials; 0 for none
    int ms;           // length; hz1 == 0 is silence
};

void putLe(QByteArray& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(char((v >> (8 * i)) & 0xFF));
}

bool writeWav(const QString& path, const std::vector<Note>& notes) {
    std::vector<int16_t> samples;
    for (const Note& n : notes) {
        const int count = kRate * n.ms / 1000;
        for (int i = 0; i < count; ++i) {
            double v = 0;
            if (n.hz1 > 0) {
                const double t = double(i) / kRate;
                v = std::sin(2 * M_PI * n.hz1 * t);
                if (n.hz2 > 0) v = 0.5 * (v + std::sin(2 * M_PI * n.hz2 * t));
                // Short fades keep the tone free of clicks.
                const int fade = kRate / 200;
                const double env = std::min({1.0, double(i) / fade, double(count - i) / fade});
                v *= env * 0.45;
            }
            samples.push_back(int16_t(v * 32767));
        }
    }
    QByteArray data;
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    data.append("RIFF");
    putLe(data, 36 + dataBytes, 4);
    data.append("WAVEfmt ");
    putLe(data, 16, 4);
    putLe(data, 1, 2);  // PCM
    putLe(data, 1, 2);  // mono
    putLe(data, kRate, 4);
    putLe(data, kRate * 2, 4);
    putLe(data, 2, 2);
    putLe(data, 16, 2);
    data.append("data");
    putLe(data, dataBytes, 4);
    for (int16_t s : samples) putLe(data, uint16_t(s), 2);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

bool writeLines(const QString& path, const QStringList& lines) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    QTextStream out(&file);
    for (const QString& line : lines) out << line << "\n";
    return true;
}

}  // namespace

bool makeTones(const QDir& out) {
    return writeWav(out.filePath("ringtone.wav"),
                    {{440, 480, 1000}, {0, 0, 400}, {440, 480, 1000}, {0, 0, 600}}) &&
           writeWav(out.filePath("dialtone.wav"), {{425, 0, 1000}, {0, 0, 1000}}) &&
           writeWav(out.filePath("notify.wav"), {{660, 0, 120}, {880, 0, 180}}) &&
           writeWav(out.filePath("message.wav"), {{988, 0, 90}, {0, 0, 40}, {1319, 0, 160}}) &&
           writeWav(out.filePath("sound/global.wav"),
                    {{523, 0, 110}, {659, 0, 110}, {784, 0, 200}}) &&
           writeWav(out.filePath("sound/msg.wav"), {{988, 0, 90}, {0, 0, 40}, {1319, 0, 160}}) &&
           writeWav(out.filePath("sound/system.wav"), {{784, 0, 150}, {523, 0, 250}}) &&
           writeWav(out.filePath("sound/folder.wav"), {{1200, 0, 35}});
}

// Lists read into combo boxes; these are the ones the options and search
// windows offer (ages and occupations), one entry a line.
bool makeDataLists(const QDir& out) {
    return writeLines(out.filePath("data/age.txt"),
                      {"不限", "18岁以下", "18-22岁", "23-30岁", "31-40岁", "40岁以上"}) &&
           writeLines(out.filePath("data/occupation.txt"),
                      {"学生", "教师", "工程师", "医生", "公务员", "职员", "自由职业", "其它"}) &&
           writeLines(out.filePath("data/school.txt"),
                      {"小学", "中学", "大专", "本科", "硕士", "博士", "其它"});
}

}  // namespace zemra::assets
