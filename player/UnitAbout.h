#pragma once
// The About box: the product's banner, name and version, shown modally by the player window.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kel {

class TfrmAbout : public QDialog {
  public:
    // Runs FormCreate.
    explicit TfrmAbout(QWidget* owner);

    QLabel* const Image1;
    QLabel* const Label1;
    QLabel* const Label2;
    QLabel* const Label3;
    QLabel* const Label4;
    QWidget* const Bevel1;
    QPushButton* const btnAuthor;
    QPushButton* const btnOK;
    // Below the visible client area until btnAuthor opens the dialog to 400 pixels.
    QPlainTextEdit* const moAuthor;

    void btnAuthorClick();

  private:
    void FormCreate();
};

}  // namespace kel
