// The program's icon: drawn from the picture built into the program at the sizes desktops use,
// and shown by the setup window and its about box.
#include "editor/editor_fixture.h"
#include "setup/app_icon.h"
#include "setup/frm_about.h"
#include "setup/frm_config.h"
#include "support/icon_picture.h"

#include <QLabel>
#include <QStackedWidget>
#include <gtest/gtest.h>

namespace pw2 {
namespace {

TEST(AppIcon, DrawsTheBoardAndTheKnightAtEachSizeAndRatio) {
    for (const auto& [side, ratio] : {std::pair{16, 1.0}, {48, 1.0}, {256, 1.0}, {32, 2.0}}) {
        SCOPED_TRACE(testing::Message() << side << " at " << ratio);
        test::expectIconPicture(appIconPixmap(side, ratio), side, ratio);
    }
    EXPECT_TRUE(appIconPixmap(0).isNull());

    const QIcon icon = appIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(256, 256)));
    test::expectIconPicture(icon.pixmap(QSize(48, 48), 1.0), 48);
}

class AppIconShown : public test::EditorTest {};

TEST_F(AppIconShown, BySetupWindowAndAboutBox) {
    const auto d = openDialog();
    const QIcon windowIcon = d->windowIcon();
    ASSERT_FALSE(windowIcon.isNull());
    test::expectIconPicture(windowIcon.pixmap(QSize(32, 32), 1.0), 32);

    frmAbout about(d.get());
    const auto* picture = about.findChild<QLabel*>(QStringLiteral("aboutIcon"));
    ASSERT_NE(picture, nullptr);
    test::expectIconPicture(picture->pixmap(), 48);
    const auto* title = about.findChild<QLabel*>(QStringLiteral("aboutTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Pawnwatch2");
    // The about box names the licence and no address that is only a placeholder.
    QString texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        texts += label->text() + '\n';
    EXPECT_TRUE(texts.contains("Licence: MIT")) << texts.toStdString();
    EXPECT_FALSE(texts.contains("example", Qt::CaseInsensitive)) << texts.toStdString();
}

} // namespace
} // namespace pw2
