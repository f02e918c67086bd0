#pragma once

#include <QDialog>

// Import and export of submission files.
class TForm_import : public QDialog {
    Q_OBJECT
public:
    explicit TForm_import(QWidget* parent = nullptr);
    void FormCreate();

    QString workingDatabase;  // full path recorded at creation
};
