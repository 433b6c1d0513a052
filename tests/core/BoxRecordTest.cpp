#include "core/BoxRecord.h"

#include <gtest/gtest.h>

namespace {

TEST(BoxRecord, StartsEmptyWithNoPictures)
{
    const BoxRecord box(nullptr, 4);
    EXPECT_EQ(box.m_nIndex, 4);
    EXPECT_EQ(box.m_hWndNotify, nullptr);
    EXPECT_EQ(box.m_pThread, nullptr);
    EXPECT_EQ(box.m_nStatus, STATUS_UNKNOWN);
    EXPECT_EQ(box.m_dwLastValue, 0xFFFFFFFFu);
    EXPECT_EQ(box.m_dwLastCode, 0u);
    EXPECT_EQ(box.m_nMsgBoxCount, 0u);
    EXPECT_EQ(box.m_nSoundCount, 0u);
    EXPECT_EQ(box.m_nExecCount, 0u);
    EXPECT_EQ(box.m_tLastChange, 0);
    for (const QString* text : {&box.Text,
                                &box.m_strStatusText,
                                &box.m_strOnLinePicPath,
                                &box.m_strOffLinePicPath,
                                &box.OnLinePicFile,
                                &box.OffLinePicFile,
                                &box.IPAdress,
                                &box.UpPath,
                                &box.DownPath,
                                &box.OpenPath,
                                &box.ClosePath,
                                &box.TcpDownPath,
                                &box.UpTextString,
                                &box.DownTextString,
                                &box.OpenTextString,
                                &box.CloseTextString,
                                &box.TDownTextString,
                                &box.ExecFilePath,
                                &box.ExecFileParam,
                                &box.MsgBoxDesc,
                                &box.Phrase})
        EXPECT_TRUE(text->isEmpty()) << text->toStdString();
    EXPECT_TRUE(box.m_hOnLineIcon.isNull());
    EXPECT_TRUE(box.m_hOffLineIcon.isNull());
    EXPECT_EQ(box.m_bmOnLineIcon.bmWidth, 0);
    EXPECT_EQ(box.m_bmOnLineIcon.bmHeight, 0);
    EXPECT_EQ(box.m_bmOffLineIcon.bmWidth, 0);
    EXPECT_EQ(box.m_bmOffLineIcon.bmHeight, 0);
}

TEST(BoxRecord, IconSizesFollowTheirOwnPicture)
{
    BoxRecord box(nullptr, 0);
    box.m_hOnLineIcon = QImage(48, 32, QImage::Format_ARGB32);
    box.m_hOffLineIcon = QImage(16, 24, QImage::Format_ARGB32);

    box.UpdateUpIconSize();
    EXPECT_EQ(box.m_bmOnLineIcon.bmWidth, 48);
    EXPECT_EQ(box.m_bmOnLineIcon.bmHeight, 32);
    // The other picture is measured only when asked.
    EXPECT_EQ(box.m_bmOffLineIcon.bmWidth, 0);
    EXPECT_EQ(box.m_bmOffLineIcon.bmHeight, 0);

    box.UpdateDownIconSize();
    EXPECT_EQ(box.m_bmOffLineIcon.bmWidth, 16);
    EXPECT_EQ(box.m_bmOffLineIcon.bmHeight, 24);
    EXPECT_EQ(box.m_bmOnLineIcon.bmWidth, 48);

    // A picture that is gone measures 0 x 0, not its old size.
    box.m_hOnLineIcon = QImage();
    box.UpdateUpIconSize();
    EXPECT_EQ(box.m_bmOnLineIcon.bmWidth, 0);
    EXPECT_EQ(box.m_bmOnLineIcon.bmHeight, 0);
    box.m_hOffLineIcon = QImage();
    box.UpdateDownIconSize();
    EXPECT_EQ(box.m_bmOffLineIcon.bmWidth, 0);
    EXPECT_EQ(box.m_bmOffLineIcon.bmHeight, 0);
}

} // namespace
