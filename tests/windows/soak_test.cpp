// Long use of the real keypad window: thousands of key presses, a thousand announcements and a
// hundred About windows, with real clips and real speech going to a sound device that keeps
// nothing. Memory must level off and every text must end as the keys made it.

#include "output/sound/device_clip_player.h"
#include "output/speech/desktop_voice.h"
#include "windows/form1.h"
#include "windows/form2.h"
#include "windows/responsive_clip_player.h"

#include "alsa_capture.h"
#include "resident_memory.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>

namespace {

// Hands every clip on to the real player and counts what the keypad asked for.
class CountingPlayer final : public ClipPlayer {
public:
    explicit CountingPlayer(ClipPlayer& player) : player_(player) {}
    void PlayClip(const QString& path) override {
        ++clips;
        player_.PlayClip(path);
    }
    void PlayClips(const QStringList& paths) override { player_.PlayClips(paths); }

    std::atomic<int> clips = 0; // counted on the player's own thread

private:
    ClipPlayer& player_;
};

// Hands every request on to the real voice and keeps what the keypad asked it to say.
class KeptVoice final : public SpeechVoice {
public:
    explicit KeptVoice(QStringList& said) : said_(said) {}
    void Speak(const QString& text) override {
        said_.append(text);
        voice_.Speak(text);
    }

private:
    QStringList& said_;
    DesktopVoice voice_{VoiceWatch{}, false};
};

class Keypad {
public:
    explicit Keypad(Form1& window) : window_(window) {}

    void press(QChar key) {
        const QString keys = "123456789*0#";
        buttons()[keys.indexOf(key)]->click();
    }
    void pressAll(const QString& keys) {
        for (const QChar key : keys)
            press(key);
    }
    void clear() { window_.Command14->click(); }
    void say() { window_.Command15->click(); }

private:
    std::array<QPushButton*, 12> buttons() const {
        return {window_.Command1, window_.Command2,  window_.Command3,  window_.Command4,
                window_.Command5, window_.Command6,  window_.Command7,  window_.Command8,
                window_.Command9, window_.Command10, window_.Command11, window_.Command12};
    }
    Form1& window_;
};

TEST(Soak, TenThousandKeysThousandSaysHundredAboutCycles) {
    useNullSoundDevice();
    DeviceClipPlayer speaker;
    CountingPlayer counted(speaker);
    ResponsiveClipPlayer player(counted);
    QStringList said;
    Form1 window(player, [&said] { return std::make_unique<KeptVoice>(said); });
    window.show();
    Keypad pad(window);

    long settled = 0;
    const QString digits = "0123456789*#";
    for (int round = 0; round < 1000; ++round) {
        // Ten keys, read out, then cleared; every tenth round opens and closes the About window.
        pad.clear();
        for (int i = 0; i < 10; ++i)
            pad.press(digits.at((round + i) % digits.size()));
        pad.say();
        if (round % 10 == 9) {
            pad.clear();
            pad.pressAll("*#7391#");
            ASSERT_TRUE(window.about().isVisible()) << "round " << round;
            window.about().Command1->click();
            ASSERT_FALSE(window.about().isVisible());
            ASSERT_EQ(window.Text1->text(), "");
            ASSERT_EQ(window.Text2->text(), "");
        }
        QApplication::processEvents();
        if (round == 99)
            settled = residentKilobytes();
    }
    pad.clear();
    pad.pressAll("1*#0");

    // The keys really sounded: the clips went to the device (which the player holds for a while
    // after a key), not past a missing one.
    EXPECT_TRUE(speaker.holdsDevice());
    // A clip for every key: ten a round, seven for each service code, and the last four.
    EXPECT_EQ(counted.clips, 1000 * 10 + 100 * 7 + 4);
    // Every round's ten keys were read out, in the words the keys made.
    ASSERT_EQ(said.size(), 1000);
    EXPECT_EQ(said.first(), "Telephone number: 0 1 2 3 4 5 6 7 8 9 ");
    EXPECT_EQ(said.last(), "Telephone number: 3 4 5 6 7 8 9  star  hash 0 ");
    EXPECT_EQ(window.Text1->text(), "1*#0");
    EXPECT_EQ(window.Text2->text(), "1  star  hash 0 ");
#if !defined(__SANITIZE_ADDRESS__)
    // Under AddressSanitizer freed memory is held back on purpose, and LeakSanitizer checks for
    // leaks instead; in the normal build resident memory must level off.
    const long growth = residentKilobytes() - settled;
    EXPECT_LT(growth, 2048) << "resident memory grew by " << growth
                            << " kB after the first 100 rounds";
#else
    (void)settled;
#endif
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
