#include "SkinCombo.h"

CSkinCombo::CSkinCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    // A name typed and confirmed with Enter is no skin until it is saved.
    setInsertPolicy(QComboBox::NoInsert);
}

void CSkinCombo::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}
