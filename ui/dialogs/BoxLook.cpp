#include "BoxLook.h"

#include "ColorButton.h"
#include "DialogRun.h"
#include "SkinCombo.h"
#include "SkinName.h"
#include "UnsavedSettings.h"
#include "platform/desktop/MessageBox.h"
#include "ui/BoxPreview.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

CBoxLook::CBoxLook(QWidget* dialog, const Controls& controls)
    : QObject(dialog), m_dialog(dialog), m_c(controls)
{
    connect(m_c.comboSkin, &CSkinCombo::dropDown, this, &CBoxLook::OnCbnDropdownSkin);
    connect(m_c.comboSkin, &QComboBox::activated, this, &CBoxLook::OnCbnSelchangeSkin);
    // Typing only: a text set by the program or by a selection loads nothing.
    connect(m_c.comboSkin->lineEdit(), &QLineEdit::textEdited, this, &CBoxLook::OnCbnEditchangeSkin);
    connect(m_c.btnAddSkin, &QPushButton::clicked, this, &CBoxLook::OnBnClickedAddSkin);
    connect(m_c.btnDeleteSkin, &QPushButton::clicked, this, &CBoxLook::OnBnClickedDeleteSkin);
    connect(m_c.btnUpIcon, &QPushButton::clicked, this, &CBoxLook::OnBnClickedUpIcon);
    connect(m_c.btnDownIcon, &QPushButton::clicked, this, &CBoxLook::OnBnClickedDownIcon);
    connect(m_c.btnEmptyUpIcon, &QPushButton::clicked, this, &CBoxLook::OnBnClickedEmptyUpIcon);
    connect(m_c.btnEmptyDownIcon, &QPushButton::clicked, this, &CBoxLook::OnBnClickedEmptyDownIcon);
    connect(m_c.btnGrayscaleIcon, &QPushButton::clicked, this, &CBoxLook::OnBnClickedGrayscaleIcon);
    for (CColorButton* button : {m_c.colorUpBox, m_c.colorDownBox, m_c.colorUpText, m_c.colorDownText})
        connect(button, &CColorButton::colorChanged, this, &CBoxLook::DrawPreview);
}

void CBoxLook::Init(const QString& dataDir, bool defaultSkin)
{
    m_strSkinsDir = dataDir + QStringLiteral("/Skins/");
    m_strPicturesDir = dataDir + QStringLiteral("/Pictures/");
    if (defaultSkin)
        ShowDefault();
    else
        ShowCustom();
    m_up.SetFile(m_strPicturesDir, m_up.fileName);
    m_down.SetFile(m_strPicturesDir, m_down.fileName);
    ReloadIcons();
}

void CBoxLook::SetLook(const SkinLook& look)
{
    m_c.colorUpBox->SetColor(look.OnLineBoxColor);
    m_c.colorDownBox->SetColor(look.OffLineBoxColor);
    m_c.colorUpText->SetColor(look.OnLineTextColor);
    m_c.colorDownText->SetColor(look.OffLineTextColor);
    m_up.SetFile(m_strPicturesDir, look.OnLinePicFile);
    m_down.SetFile(m_strPicturesDir, look.OffLinePicFile);
}

SkinLook CBoxLook::Look() const
{
    SkinLook look;
    look.OnLineBoxColor = m_c.colorUpBox->GetColor();
    look.OffLineBoxColor = m_c.colorDownBox->GetColor();
    look.OnLineTextColor = m_c.colorUpText->GetColor();
    look.OffLineTextColor = m_c.colorDownText->GetColor();
    look.OnLinePicFile = m_up.fileName;
    look.OffLinePicFile = m_down.fileName;
    return look;
}

void CBoxLook::SetBoxText(const QString& name, const QString& target, int method, uint32_t port)
{
    m_name = name;
    m_target = target;
    m_method = method;
    m_port = port;
    DrawPreview();
}

void CBoxLook::ShowCustom()
{
    m_c.comboSkin->setEditText(skins::kCustomSkin);
    m_c.btnDeleteSkin->setEnabled(false);
}

void CBoxLook::ShowDefault()
{
    m_c.comboSkin->setEditText(skins::kDefaultSkin);
    m_c.btnDeleteSkin->setEnabled(false);
}

void CBoxLook::OnCbnDropdownSkin()
{
    // Refilling moves the combo's selection; the edit part keeps its text.
    const QString shown = m_c.comboSkin->currentText();
    m_c.comboSkin->clear();
    FillSkinList();
    m_c.comboSkin->setCurrentIndex(-1);
    m_c.comboSkin->setEditText(shown);
}

void CBoxLook::FillSkinList()
{
    m_c.comboSkin->addItems(skins::ListSkins(m_strSkinsDir));
}

void CBoxLook::OnCbnSelchangeSkin(int index)
{
    if (index < 0)
        return;
    const QString name = m_c.comboSkin->itemText(index);
    const QString path = skins::SkinFilePath(m_strSkinsDir, name);
    if (path.isEmpty())
        return;
    m_iniSkin.SetFileName(path);
    SetLook(skins::ReadSkin(m_iniSkin));
    m_c.btnDeleteSkin->setEnabled(name != skins::kDefaultSkin);
    ReloadIcons();
}

void CBoxLook::OnCbnEditchangeSkin(const QString& text)
{
    if (!skins::SkinExists(m_strSkinsDir, text))
        m_c.btnDeleteSkin->setEnabled(false);
    else if (text != skins::kDefaultSkin)
        m_c.btnDeleteSkin->setEnabled(true);
}

void CBoxLook::OnBnClickedAddSkin()
{
    CSkinName dlg(m_dialog);
    if (runSubDialog(&dlg) != QDialog::Accepted)
        return;
    const QString path = skins::SkinFilePath(m_strSkinsDir, dlg.m_strName);
    if (path.isEmpty())
        return;
    m_iniSkin.SetFileName(path);
    // A skin that could not be stored is not shown as saved; the look stays
    // in the dialog.
    if (!skins::WriteSkin(m_iniSkin, Look())) {
        warnUnsavedSettings(m_dialog, path);
        return;
    }
    m_c.comboSkin->setEditText(dlg.m_strName);
    m_c.btnDeleteSkin->setEnabled(true);
}

void CBoxLook::OnBnClickedDeleteSkin()
{
    const QString name = m_c.comboSkin->currentText();
    // A typed name with a path in it is refused like the protected ones:
    // nothing outside the skins folder is ever deleted.
    if (!skins::CanDeleteSkin(name)) {
        platform::AfxMessageBox(m_dialog, QStringLiteral("无法删除这个皮肤!"));
        return;
    }
    if (platform::AfxMessageBox(m_dialog, QStringLiteral("你要删除的皮肤: %1?").arg(name),
                                platform::MB_YESNO) != platform::IDYES)
        return;
    skins::DeleteSkin(m_strSkinsDir, name);
    ShowCustom();
}

void CBoxLook::choose(BoxPicture& picture)
{
    if (!ChoosePicture(m_dialog, m_strPicturesDir, picture))
        return;
    ShowCustom();
    DrawPreview();
}

void CBoxLook::empty(BoxPicture& picture)
{
    ShowCustom();
    picture.Empty();
    DrawPreview();
}

void CBoxLook::OnBnClickedUpIcon()
{
    choose(m_up);
}

void CBoxLook::OnBnClickedDownIcon()
{
    choose(m_down);
}

void CBoxLook::OnBnClickedEmptyUpIcon()
{
    empty(m_up);
}

void CBoxLook::OnBnClickedEmptyDownIcon()
{
    empty(m_down);
}

void CBoxLook::OnBnClickedGrayscaleIcon()
{
    const QString error = MakeGreyscaleCopy(m_up, m_down, m_strPicturesDir);
    // The Down picture shown is the one read back from the written file.
    ReloadIcons();
    if (!error.isEmpty())
        platform::AfxMessageBox(error);
}

void CBoxLook::ReloadIcons()
{
    m_up.Load();
    m_down.Load();
    DrawPreview();
}

void CBoxLook::DrawPreview()
{
    PreviewTile tile;
    tile.name = m_name;
    tile.target = m_target;
    tile.method = m_method;
    tile.port = m_port;
    tile.up = true;
    tile.fill = m_c.colorUpBox->GetColor();
    tile.text = m_c.colorUpText->GetColor();
    tile.icon = m_up.icon;
    tile.iconSize = m_up.size;
    m_c.previewUp->SetTile(tile);
    tile.up = false;
    tile.fill = m_c.colorDownBox->GetColor();
    tile.text = m_c.colorDownText->GetColor();
    tile.icon = m_down.icon;
    tile.iconSize = m_down.size;
    m_c.previewDown->SetTile(tile);
}
