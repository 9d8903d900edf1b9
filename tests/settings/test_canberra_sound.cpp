// The alert sound over the real libcanberra of this machine, whatever sound
// device it has (often none in CI): every failure of a file falls back to the
// bell, and play() never waits for the sound.
#include "settings/canberra_sound.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <canberra.h>
#include <cstdint>
#include <gtest/gtest.h>

using vornel::CanberraSound;

namespace {

struct Request {
    std::string kind, what;
    int result;
};

// A second of silence, 8 kHz mono 8-bit PCM.
void writeWav(const QString& path) {
    auto le = [](QByteArray& out, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += char((v >> (8 * i)) & 0xFF);
    };
    const uint32_t samples = 8000;
    QByteArray wav = "RIFF";
    le(wav, 36 + samples, 4);
    wav += "WAVEfmt ";
    le(wav, 16, 4), le(wav, 1, 2), le(wav, 1, 2), le(wav, 8000, 4), le(wav, 8000, 4);
    le(wav, 1, 2), le(wav, 8, 2);
    wav += "data";
    le(wav, samples, 4);
    wav += QByteArray(samples, char(0x80));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(wav);
}

class Sound : public ::testing::Test {
protected:
    Sound() {
        sound.onRequest = [this](const std::string& kind, const std::string& what, int result) {
            requests.push_back({kind, what, result});
        };
    }
    std::vector<Request> requests;
    CanberraSound sound;
};

} // namespace

TEST_F(Sound, AnEmptyNameRingsTheBell) {
    sound.play("");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, "event");
    EXPECT_EQ(requests[0].what, "bell");
}

TEST_F(Sound, AMissingFileFallsBackToTheBell) {
    sound.play("/nonexistent/folder/alerte.wav");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].kind, "file");
    EXPECT_EQ(requests[0].what, "/nonexistent/folder/alerte.wav");
    EXPECT_NE(requests[0].result, CA_SUCCESS);
    EXPECT_EQ(requests[1].kind, "event");
    EXPECT_EQ(requests[1].what, "bell");
}

TEST_F(Sound, AWavFileIsPlayedByItsPathAndTheBellOnlyWhenItFails) {
    QTemporaryDir dir;
    QString wav = dir.filePath("alerte.wav");
    writeWav(wav);
    sound.play(wav.toStdString());
    ASSERT_GE(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, "file");
    EXPECT_EQ(requests[0].what, wav.toStdString());
    // A failure reported later by the sound service comes through the event loop.
    QCoreApplication::processEvents();
    bool failed = std::any_of(requests.begin(), requests.end(), [](const Request& r) {
        return r.kind == "file" && r.result != CA_SUCCESS;
    });
    bool rang = std::any_of(requests.begin(), requests.end(),
                            [](const Request& r) { return r.kind == "event"; });
    EXPECT_EQ(rang, failed) << "file result " << requests[0].result << ": "
                            << ca_strerror(requests[0].result);
    std::cout << "[ note ] file result on this machine: " << ca_strerror(requests[0].result)
              << "\n";
}
