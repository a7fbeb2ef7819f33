// The component's housing and its part in a host's property store: class lookup by programmatic
// identifier, the unload query, registration and the persisted properties.
#include "boardhost/control_loader.h"
#include "host.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testhost;

namespace {

QLibrary& library() {
    static QLibrary lib(QStringLiteral(PW2_BIN_DIR "/libVantrelkit.so"));
    if (!lib.isLoaded()) {
        EXPECT_TRUE(lib.load()) << lib.errorString().toStdString();
    }
    return lib;
}

template <typename Fn>
Fn entry(const char* name) {
    auto fn = reinterpret_cast<Fn>(library().resolve(name));
    EXPECT_NE(fn, nullptr) << name;
    return fn;
}

} // namespace

TEST(Housing, ClassesAreFoundByProgrammaticIdentifierOnly) {
    auto getClassObject = entry<VantrelkitGetClassObjectFn>(VANTRELKIT_GET_CLASS_OBJECT);
    ASSERT_NE(getClassObject, nullptr);
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClassObject("Vantrelkit.Vantrel", &factory), 0);
    IClassFactory* const found = factory;
    ASSERT_NE(found, nullptr);
    for (const char* other : {"Vantrelkit.Board", "Vantrelkit", "", "Vantrelkit.Vantrel.1"}) {
        factory = found;
        EXPECT_EQ(getClassObject(other, &factory), error::ClassNotAvailable) << other;
        EXPECT_EQ(factory, nullptr);
    }
    EXPECT_EQ(getClassObject(nullptr, &factory), error::ClassNotAvailable);

    QString errorText;
    EXPECT_EQ(pw2::createControl("Vantrelkit.Other", nullptr, nullptr, &errorText), nullptr);
    EXPECT_TRUE(errorText.contains("Vantrelkit.Other"));
}

TEST(Housing, LibraryMayBeUnloadedOnlyWithoutLiveInstances) {
    auto canUnloadNow = entry<VantrelkitCanUnloadNowFn>(VANTRELKIT_CAN_UNLOAD_NOW);
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(canUnloadNow(), 0);
    {
        Board first;
        EXPECT_EQ(canUnloadNow(), 1);
        {
            Board second;
            EXPECT_EQ(canUnloadNow(), 1);
        }
        EXPECT_EQ(canUnloadNow(), 1);
    }
    EXPECT_EQ(canUnloadNow(), 0);
}

TEST(Housing, RegistrationWritesAndRemovesTheLibraryPath) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    auto registerServer = entry<VantrelkitRegisterServerFn>(VANTRELKIT_REGISTER_SERVER);
    auto unregisterServer = entry<VantrelkitUnregisterServerFn>(VANTRELKIT_UNREGISTER_SERVER);
    ASSERT_TRUE(registerServer && unregisterServer);

    EXPECT_EQ(registerServer(), 0);
    const QString key = QStringLiteral("Classes/Vantrelkit.Vantrel");
    {
        QSettings settings(QStringLiteral("Vantrelkit"));
        const QString path = settings.value(key).toString();
        EXPECT_TRUE(QFileInfo(path).isAbsolute()) << path.toStdString();
        EXPECT_EQ(QFileInfo(path).canonicalFilePath(),
                  QFileInfo(QStringLiteral(PW2_BIN_DIR "/libVantrelkit.so")).canonicalFilePath());
    }
    EXPECT_TRUE(QDir(config.path()).exists(QStringLiteral("Vantrelkit.conf")));

    EXPECT_EQ(unregisterServer(), 0);
    QSettings settings(QStringLiteral("Vantrelkit"));
    EXPECT_FALSE(settings.contains(key));
}

TEST(Persistence, FirstPlacementSavesOnlyTheEmptyPicture) {
    FakeSite site;
    Board board(nullptr, &site);
    board.control()->initNew();
    board.control()->save();
    // An empty picture is a picture, not the default "none": it is stored, with no bytes.
    ASSERT_EQ(site.written, QStringList{"Picture"});
    EXPECT_EQ(site.store["Picture"].kind, PropertyValue::Kind::Picture);
    EXPECT_TRUE(site.store["Picture"].picture.isEmpty());
}

TEST(Persistence, LoadFromAnEmptyStoreKeepsTheDefaults) {
    FakeSite site;
    Board board(nullptr, &site);
    board.control()->load();
    EXPECT_TRUE(board.enabled());
    board.control()->save();
    EXPECT_TRUE(site.written.isEmpty());
}

TEST(Persistence, StoredValuesRoundTripInTableOrder) {
    FakeSite site;
    site.store["Picture"] = {PropertyValue::Kind::Picture, 0, QByteArray("\x89PNG\r\n", 6)};
    site.store["IsSelected"] = {PropertyValue::Kind::Boolean, VTrue, {}};
    site.store["Piece"] = {PropertyValue::Kind::Integer, 7, {}};
    site.store["Enabled"] = {PropertyValue::Kind::Boolean, VFalse, {}};
    const auto stored = site.store;

    Board board(nullptr, &site);
    board.control()->load();
    EXPECT_FALSE(board.enabled());
    EXPECT_TRUE(site.changed.isEmpty());

    site.store.clear();
    board.control()->save();
    EXPECT_EQ(site.written, (QStringList{"Enabled", "Piece", "IsSelected", "Picture"}));
    for (const auto& [name, value] : stored) {
        EXPECT_EQ(site.store[name].kind, value.kind) << name;
        EXPECT_EQ(site.store[name].integer, value.integer) << name;
        EXPECT_EQ(site.store[name].picture, value.picture) << name;
    }
}

TEST(Persistence, PieceAndEnabledWritesAreSaved) {
    FakeSite site;
    Board board(nullptr, &site);
    board.control()->load();
    ASSERT_EQ(board.setPiece(2, 2, Wknight), 0);
    board.setEnabled(false);
    board.control()->save();
    EXPECT_EQ(site.written, (QStringList{"Enabled", "Piece"}));
    EXPECT_EQ(site.store["Piece"].integer, Wknight);
    EXPECT_EQ(site.store["Enabled"].integer, VFalse);
}

TEST(Persistence, WithoutASiteTheControlRunsOnDefaults) {
    Board board;
    board.control()->initNew();
    board.control()->load();
    board.control()->save();
    EXPECT_TRUE(board.enabled());
    EXPECT_EQ(board.setPiece(1, 1, Brook), 0) << "no site: user mode";
}
