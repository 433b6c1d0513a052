#include "DialogIcons.h"

#include "ui/Pictures.h"

#include <QAbstractButton>
#include <QDialog>
#include <QIcon>
#include <QLayout>

void setDialogFrame(QDialog* dialog)
{
    dialog->setWindowIcon(resourcePicture(128));
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (QLayout* layout = dialog->layout())
        layout->setSizeConstraint(QLayout::SetFixedSize);
}

void setButtonIcon(QAbstractButton* button, int resource)
{
    button->setIcon(resourcePicture(resource));
    button->setIconSize(QSize(16, 16));
}
