#include "KorvalenDlg.h"

#include "platform/desktop/IconLoader.h"

#include <QGuiApplication>
#include <QScreen>

void CKorvalenDlg::LoadConfig()
{
    config::load(m_iniConfig, m_strConfigPath, *this, m_pBoxes, m_strPicturesDir,
                 [this] { return WorkArea(); });
    for (int i = 0; i < NumBox; ++i)
        ReloadBoxIcons(i);
}

void CKorvalenDlg::SaveBoxes()
{
    // Through the settings writer, which says when the file cannot be written.
    config::saveBoxes(m_iniConfig, *this, m_pBoxes);
}

void CKorvalenDlg::ReloadBoxIcons(int nIndex)
{
    if (nIndex < 0 || nIndex >= kMaxBoxes || !m_pBoxes[size_t(nIndex)])
        return;
    BoxRecord& box = *m_pBoxes[size_t(nIndex)];
    box.m_hOnLineIcon = QImage();
    box.m_hOffLineIcon = QImage();
    box.PicTypeOnLine = 1;
    box.PicTypeOffLine = 1;
    box.m_hOnLineIcon = platform::loadIconFile(box.m_strOnLinePicPath);
    box.UpdateUpIconSize();
    box.m_hOffLineIcon = platform::loadIconFile(box.m_strOffLinePicPath);
    box.UpdateDownIconSize();
}
