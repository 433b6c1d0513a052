#pragma once

#include "core/IniFile.h"
#include "core/Skins.h"
#include "ui/BoxIcons.h"

#include <QObject>
#include <QString>

class CColorButton;
class CPreviewTile;
class CSkinCombo;
class QPushButton;
class QWidget;

// The look of a box in the box properties dialog: the skin combo with its
// add and delete buttons, the four colour buttons, the two pictures with
// their choose, empty and greyscale buttons, and the two preview tiles. The
// dialog owns the controls; the handlers of these controls live here.
class CBoxLook : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        CSkinCombo* comboSkin;
        QPushButton* btnAddSkin;
        QPushButton* btnDeleteSkin;
        QPushButton* btnUpIcon;
        QPushButton* btnDownIcon;
        QPushButton* btnEmptyUpIcon;
        QPushButton* btnEmptyDownIcon;
        QPushButton* btnGrayscaleIcon;
        CColorButton* colorUpBox;
        CColorButton* colorDownBox;
        CColorButton* colorUpText;
        CColorButton* colorDownText;
        CPreviewTile* previewUp;
        CPreviewTile* previewDown;
    };

    // Connects the controls to the handlers below; `dialog` parents the
    // pickers and the skin-name dialog.
    CBoxLook(QWidget* dialog, const Controls& controls);

    // The dialog's initialisation: the folders below the data folder, the
    // combo's text by the skin flag, delete-skin off, both pictures loaded.
    void Init(const QString& dataDir, bool defaultSkin);

    // The look as the opener gives it or takes it back: the colours of the
    // colour buttons and the two picture file names (Set works out the
    // paths; ReloadIcons loads them).
    void SetLook(const SkinLook& look);
    SkinLook Look() const;
    // The box's texts that the preview shows besides the look.
    void SetBoxText(const QString& name, const QString& target, int method, uint32_t port);

    // The combo's edit part names where the look came from.
    void ShowCustom();
    void ShowDefault();

    void OnCbnDropdownSkin();
    void FillSkinList();
    void OnCbnSelchangeSkin(int index);
    void OnCbnEditchangeSkin(const QString& text);
    void OnBnClickedAddSkin();
    void OnBnClickedDeleteSkin();

    void OnBnClickedUpIcon();
    void OnBnClickedDownIcon();
    void OnBnClickedEmptyUpIcon();
    void OnBnClickedEmptyDownIcon();
    void OnBnClickedGrayscaleIcon();
    void ReloadIcons();
    void DrawPreview();

    BoxPicture m_up;
    BoxPicture m_down;
    QString m_strSkinsDir;
    QString m_strPicturesDir;
    CIniFile m_iniSkin;

private:
    void choose(BoxPicture& picture);
    void empty(BoxPicture& picture);

    QWidget* m_dialog;
    Controls m_c;
    QString m_name;
    QString m_target;
    int m_method = METHOD_PING;
    uint32_t m_port = 0;
};
