#include "windows/QtPlatform.h"

#include "QtPrinters.h"

#include <QFile>
#include <QLibrary>

#include <gtest/gtest.h>

#include <memory>

namespace {

bool loaded(const char *library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    return maps.readAll().contains(library);
}

} // namespace

// Qt Multimedia brings the sound server's client and Qt Network: the
// windows must not link it, only the module the first sound loads.
TEST(SoundModule, QtMultimediaIsLoadedByTheModuleOnly)
{
    ASSERT_TRUE(QFile::exists(QStringLiteral("/proc/self/maps")));
    EXPECT_FALSE(loaded("libQt6Multimedia"));

    QLibrary module(QStringLiteral(ZIRK_BINARY_DIR "/") + QLatin1String(kSoundModuleName));
    using Create = SoundPlayer *(*)();
    const auto create = reinterpret_cast<Create>(module.resolve("zirk_create_sound_player"));
    ASSERT_TRUE(create) << module.errorString().toStdString();
    EXPECT_TRUE(loaded("libQt6Multimedia"));
    // Not played here: without a sound server Qt Multimedia's sample loader
    // keeps what it had read, which the leak checker of the sanitizer build
    // would report against the test.
    const std::unique_ptr<SoundPlayer> player(create());
    EXPECT_TRUE(player);
}

TEST(SoundModule, FoundBesideTheProgramOrInTheInstalledLibraryFolder)
{
    EXPECT_EQ(soundModuleCandidates(QStringLiteral("/usr/bin")),
              (QStringList{QStringLiteral("/usr/bin/zirk-sound.so"), QStringLiteral("/usr/lib/zirk/zirk-sound.so")}));
    EXPECT_EQ(soundModuleCandidates(QStringLiteral("/work/build")).constFirst(),
              QStringLiteral("/work/build/zirk-sound.so"));
}
