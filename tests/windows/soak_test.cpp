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

#include <chrono>
#include <fstream>
#include <string>

namespace {

class Keypad {
public:
    explicit Keypad(Form1& window) : window_(window) {}

    void press(QChar key) {
        const QString keys = "123456789*0#";
        buttons()[keys.indexOf(key)]->click();
        ++presses;
    }
    void pressAll(const QString& keys) {
        for (const QChar key : keys)
            press(key);
    }
    void clear() { window_.Command14->click(); }
    void say() {
        window_.Command15->click();
        ++says;
    }

    int presses = 0;
    int says = 0;

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
    ResponsiveClipPlayer player(speaker);
    Form1 window(player, [] { return std::make_unique<DesktopVoice>(VoiceWatch{}, false); });
    window.show();
    Keypad pad(window);

    long settled = 0;
    int aboutCycles = 0;
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
            ++aboutCycles;
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
    EXPECT_GE(pad.presses, 10000);
    EXPECT_EQ(pad.says, 1000);
    EXPECT_EQ(aboutCycles, 100);
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
