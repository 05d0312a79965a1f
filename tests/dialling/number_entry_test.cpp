#include "dialling/number_entry.h"

#include "key_pad_helpers.h"
#include "recording_doubles.h"

#include <gtest/gtest.h>

namespace {

class NumberEntry : public ::testing::Test {
protected:
    EffectLog log;
    RecordingTexts texts{log};
    RecordingPlayer player{log};
};

TEST_F(NumberEntry, KeyPressSetsNumberThenChecksThenAppendsTokenThenPlays) {
    pressKey(texts, player, keyFor(u'5'));
    EXPECT_EQ(log, (EffectLog{"number=5", "spoken=5 ", "play=5.wav"}));
}

TEST_F(NumberEntry, KeysBuildNumberAndSpokenTextWithTheirOwnClips) {
    pressKeys(texts, player, "1*#");
    EXPECT_EQ(texts.numberText(), "1*#");
    EXPECT_EQ(texts.spokenText(), "1  star  hash ");
    EXPECT_EQ(log.filter("play="), (QStringList{"play=1.wav", "play=ast.wav", "play=#.wav"}));
}

TEST_F(NumberEntry, EveryKeyOfTheTableAppendsItsCharacterAndToken) {
    pressKeys(texts, player, "1234567890*#");
    EXPECT_EQ(texts.numberText(), "1234567890*#");
    EXPECT_EQ(texts.spokenText(), "1 2 3 4 5 6 7 8 9 0  star  hash ");
    EXPECT_EQ(log.filter("play=").size(), 12);
}

TEST_F(NumberEntry, ServiceCodeOpensAboutOnTheSeventhKeyBeforeItsTokenAndClip) {
    pressKeys(texts, player, "*#7391");
    EXPECT_FALSE(log.contains("about"));
    log.clear();
    pressKey(texts, player, keyFor(u'#'));
    EXPECT_EQ(log, (EffectLog{"number=*#7391#", "about", "spoken= star  hash 7 3 9 1  hash ",
                              "play=#.wav"}));
}

TEST_F(NumberEntry, ServiceCodeMustBeTheWholeNumber) {
    pressKeys(texts, player, "1*#7391#");
    EXPECT_FALSE(log.contains("about"));

    clearNumber(texts);
    log.clear();
    pressKeys(texts, player, "*#7391#5");
    EXPECT_EQ(log.count("about"), 1); // on the seventh key, not the eighth
    log.clear();
    backSpace(texts);
    EXPECT_EQ(log.first(), "number=*#7391#");
    EXPECT_EQ(log.at(1), "about");
}

TEST_F(NumberEntry, ClearEmptiesBothTextsWithoutPlayingOrOpeningAbout) {
    pressKeys(texts, player, "*#7391#");
    log.clear();
    clearNumber(texts);
    EXPECT_EQ(log, (EffectLog{"number=", "spoken="}));
}

TEST_F(NumberEntry, BackSpaceOnEmptyTextsChangesNothing) {
    backSpace(texts);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(texts.numberText(), "");
    EXPECT_EQ(texts.spokenText(), "");
}

TEST_F(NumberEntry, BackSpaceRemovesTheLastKeyAndItsWholeToken) {
    pressKeys(texts, player, "1*");
    log.clear();
    backSpace(texts);
    EXPECT_EQ(texts.numberText(), "1");
    EXPECT_EQ(texts.spokenText(), "1 ");
    EXPECT_FALSE(log.join(';').contains("play="));

    pressKeys(texts, player, "#2");
    backSpace(texts);
    EXPECT_EQ(texts.spokenText(), "1  hash ");
    backSpace(texts);
    EXPECT_EQ(texts.numberText(), "1");
    EXPECT_EQ(texts.spokenText(), "1 ");
    backSpace(texts);
    backSpace(texts);
    EXPECT_EQ(texts.numberText(), "");
    EXPECT_EQ(texts.spokenText(), "");
}

TEST_F(NumberEntry, BackSpaceAfterTwoStarsKeepsTheFirstStar) {
    // " star  star " ends with " star ", and what remains must still end with one.
    pressKeys(texts, player, "**");
    backSpace(texts);
    EXPECT_EQ(texts.numberText(), "*");
    EXPECT_EQ(texts.spokenText(), " star ");
}

} // namespace
