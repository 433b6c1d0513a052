#pragma once

#include <QComboBox>

// The skin combo box: a drop-down whose edit part can be typed into. It says
// when its list is about to drop down, so the list can be read afresh from
// the skins folder each time.
class CSkinCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit CSkinCombo(QWidget* parent = nullptr);
    void showPopup() override;

signals:
    void dropDown();
};
