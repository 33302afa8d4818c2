#pragma once
#include <QDialog>

#include "platform/Skin.h"

class Binder;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TableView;

// The questionnaire introduction: page 1 is a fixed introduction to the
// questionnaire, page 2 the interpretation text kept in the settings row; one
// button switches between them. Skinned with the chosen theme; changes no data.
class IntroductionWindow : public QDialog
{
    Q_OBJECT
public:
    explicit IntroductionWindow(QWidget *parent = nullptr);

    static QString introductionText();
    static QString moreCaption() { return QStringLiteral("توضيحات بيشتر"); }
    static QString backCaption() { return QStringLiteral("برگشت به توضيحات قبلي"); }

    // Command2: from the introduction to the interpretation text and back.
    void switchPage();

    const Skin &skin() const { return m_skin; }
    TableView *settingsView = nullptr;  // Theme

private:
    void buildWindow();

    Binder *m_binder = nullptr;
    Skin m_skin;
    QLabel *m_title = nullptr;          // SkinLabel2
    QLabel *m_introduction = nullptr;   // SkinLabel4
    QPlainTextEdit *m_tafsir = nullptr; // Text3
    QPushButton *m_switch = nullptr;    // Command2
    QLineEdit *m_theme = nullptr;       // Text1
};
