#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CSkinName;
}

// Asks for the name under which the box properties dialog saves a skin. The
// name is cleaned as it is typed, so it can always be a file name; OK stays
// off while it is empty or the custom entry's word.
class CSkinName : public QDialog
{
    Q_OBJECT
public:
    explicit CSkinName(QWidget* parent = nullptr);
    ~CSkinName() override;

    // The name typed, read on OK.
    QString m_strName;

    void OnEnChangeName();
    void OnOK();

private:
    // Cuts the name where it would run past the edit's visible width.
    QString fitToField(const QString& name) const;

    std::unique_ptr<Ui::CSkinName> ui;
};
