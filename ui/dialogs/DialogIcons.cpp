#include "DialogIcons.h"

#include "ui/Pictures.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QAbstractButton>
#include <QDialog>
#include <QIcon>
#include <QLayout>

void setDialogFrame(QDialog* dialog)
{
    dialog->setWindowIcon(resourcePicture(128));
    platform::setDialogWindowFlags(dialog);
    if (QLayout* layout = dialog->layout())
        layout->setSizeConstraint(QLayout::SetFixedSize);
}

void setButtonIcon(QAbstractButton* button, int resource)
{
    button->setIcon(resourcePicture(resource));
    button->setIconSize(QSize(16, 16));
}
