#include "dialling/dial_number.h"
#include "dialling/number_announcer.h"

#include "key_pad_helpers.h"
#include "output/sound/clip_path.h"
#include "recording_doubles.h"

#include <gtest/gtest.h>

namespace {

class DialAndSay : public ::testing::Test {
protected:
    EffectLog log;
    RecordingTexts texts{log};
    RecordingPlayer player{log};
    RecordingVoice voice{log};

    void dial() {
        QString copy = texts.numberText();
        EXPECT_EQ(DialNumber(copy, player), "");
        EXPECT_EQ(copy, "");
    }
};

TEST_F(DialAndSay, DialPlaysEveryCharacterInOrderAsOneStream) {
    pressKeys(texts, player, "1*#0");
    log.clear();
    dial();
    // "*" sounds once, from "ast.wav"; no "*.wav" is ever asked for.
    EXPECT_EQ(log, (EffectLog{"dial=1.wav,ast.wav,#.wav,0.wav"}));
    EXPECT_EQ(texts.numberText(), "1*#0");
    EXPECT_EQ(texts.spokenText(), "1  star  hash 0 ");
    for (const QString& path : player.dialledPaths.value(0))
        EXPECT_TRUE(path.startsWith(applicationDirectory() + '/')) << path.toStdString();
}

TEST_F(DialAndSay, DialOfAnEmptyNumberPlaysNothing) {
    dial();
    EXPECT_EQ(log, (EffectLog{"dial="}));
}

TEST_F(DialAndSay, DialPassesOverACharacterNoKeyMakes) {
    texts.setNumberText("1a\u00e9#");
    log.clear();
    dial();
    EXPECT_EQ(log, (EffectLog{"dial=1.wav,#.wav"}));
}

TEST_F(DialAndSay, DialHasNoLengthLimit) {
    QString number(40000, u'7');
    DialNumber(number, player);
    EXPECT_EQ(player.dialledPaths.value(0).size(), 40000);
    EXPECT_EQ(number, "");
}

TEST_F(DialAndSay, SayWithEmptySpokenTextSaysNothingWhateverTheNumber) {
    sayNumber(texts, voice);
    texts.setNumberText("999");
    log.clear();
    sayNumber(texts, voice);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(DialAndSay, SpecialNumbersAreAnsweredWithTheirPhrases) {
    const std::pair<QString, QString> cases[] = {
        {"118118", "1 1 8 1 1 8. Got your number!"},
        {"999", "Why are you ringing this? ring the real number dip shit!"},
        {"***", "Twinkle. Twinkle little star. i wonder what you are."},
        {"08001690169", "Fag addict. Don't dial it here! ring the fucking number for real!"},
    };
    for (const auto& [number, phrase] : cases) {
        clearNumber(texts);
        pressKeys(texts, player, number);
        log.clear();
        sayNumber(texts, voice);
        EXPECT_EQ(log, EffectLog{"say=" + phrase}) << number.toStdString();
    }
}

TEST_F(DialAndSay, OtherNumbersAreReadOutAfterThePrefixAndQueueInOrder) {
    pressKeys(texts, player, "012");
    sayNumber(texts, voice);
    pressKeys(texts, player, "*");
    sayNumber(texts, voice);
    // Near misses of a special number are read out too.
    clearNumber(texts);
    pressKeys(texts, player, "9999");
    sayNumber(texts, voice);
    EXPECT_EQ(log.filter("say="),
              (QStringList{"say=Telephone number: 0 1 2 ", "say=Telephone number: 0 1 2  star ",
                           "say=Telephone number: 9 9 9 9 "}));
}

TEST_F(DialAndSay, SayAfterBackSpaceReadsWhatIsLeft) {
    pressKeys(texts, player, "12");
    backSpace(texts);
    log.clear();
    sayNumber(texts, voice);
    EXPECT_EQ(log, EffectLog{"say=Telephone number: 1 "});
}

} // namespace
