#pragma once

#include <QDialog>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>

#include <functional>

class ForwardingPreferencesSection;
class Forwarder;
class ManagedObjectContext;
class Popover;
class QCheckBox;
class QComboBox;
class QWidget;
class QPushButton;
class TranslationPreferencesSection;
class UserDefaults;

// The preferences: a popover opened from the window's preferences button
// whose controls write the user's defaults. A change of the update interval
// is announced so that the update timer follows at once. The controls are
// read from the defaults each time the popover opens.
class PreferencesPopoverViewController : public QObject {
    Q_OBJECT

public:
    PreferencesPopoverViewController(
        ManagedObjectContext &context, UserDefaults &defaults, QObject *parent = nullptr);
    ~PreferencesPopoverViewController() override;

    // The popover's content; it stays with this controller.
    QWidget *view() const { return view_; }
    // The popover shown, or none.
    Popover *popover() const { return popover_; }

    // Closes the popover when it is shown; otherwise opens a new one above
    // `anchor` (at the centre of the active window when none).
    void showPopoverForView(QWidget *anchor);
    void closePopoverAction();

    // The interval menu's item at `index` was chosen.
    void autoUpdateTimeDidChangeAction(int index);
    // The language menu's item at `index` was chosen.
    void languageSelectedAction(int index);
    void updateLanguagesMenu();
    // Where the languages of the chosen translation service come from, code
    // to English name; asked each time the popover opens. Without one, the
    // built-in table is all there is.
    using LanguagesSource = std::function<void(
        std::function<void(const QMap<QString, QString> &languages)> completion)>;
    void setLanguagesSource(LanguagesSource source) { languagesSource_ = std::move(source); }

    // The stored countries of a region; 0 when they cannot be counted.
    qint64 countryCountForRegion(const QString &region) const;
    QString toolTipForUnitedStatesAndCanada() const { return {}; }
    QString toolTipForEurope() const;
    QString toolTipForAsiaPacific() const;
    QString toolTipForAfricaTheMiddleEastAndIndia() const;
    QString toolTipForLatinAmericaAndTheCaribbean() const;

    QComboBox *updateIntervalPopUpButton() const { return intervalPopUpButton_; }
    QComboBox *languagesPopUpButton() const { return languagesPopUpButton_; }
    // By region key, and by preference key for the other check boxes.
    QCheckBox *regionCheckBox(const QString &region) const { return regionBoxes_.value(region); }
    QCheckBox *checkBoxForKey(const QString &key) const { return keyBoxes_.value(key); }
    TranslationPreferencesSection *translationSection() const { return translation_; }
    QPushButton *connectButton() const { return connectButton_; }
    // The App Store Connect window, while it is open.
    QDialog *connectDialog() const { return connectDialog_; }
    void showConnectSectionAction();

    // What the forwarding window needs: the application's Forwarder, for
    // Test, and how the main context is saved. Without them Test is off
    // and changes are saved by the context alone.
    void setForwarding(Forwarder *forwarder, std::function<void()> save);
    QPushButton *forwardingButton() const { return forwardingButton_; }
    // The forwarding window and its section, while it is open.
    QDialog *forwardingDialog() const { return forwardingDialog_; }
    ForwardingPreferencesSection *forwardingSection() const;
    void showForwardingSectionAction();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A window of its own for a part of the preferences, in place of the
    // popover, holding what `content` makes in it and a Close button. When
    // `window` is open already, it is raised instead and null returned.
    QDialog *sectionWindow(QPointer<QDialog> &window, const QString &title,
        const std::function<QWidget *(QDialog *dialog)> &content);
    void buildView();
    void popoverWillShow();
    void popoverDidClose(Popover *popover);
    void updateIntervalMenu();
    void updateCheckBoxes();
    QString toolTipForRegion(const QString &region) const;
    void regionToggled(const QString &region, bool selected);

    ManagedObjectContext &context_;
    UserDefaults &defaults_;
    QPointer<QWidget> view_;
    QPointer<Popover> popover_;
    QPointer<Popover> closedPopover_;
    QComboBox *intervalPopUpButton_ = nullptr;
    QComboBox *languagesPopUpButton_ = nullptr;
    QHash<QString, QCheckBox *> regionBoxes_;
    QHash<QString, QCheckBox *> keyBoxes_;
    TranslationPreferencesSection *translation_ = nullptr;
    QPushButton *connectButton_ = nullptr;
    QPointer<QDialog> connectDialog_;
    QPushButton *forwardingButton_ = nullptr;
    QPointer<QDialog> forwardingDialog_;
    Forwarder *forwarder_ = nullptr;
    std::function<void()> save_;
    LanguagesSource languagesSource_;
    QMap<QString, QString> languages_;
    bool closedByPress_ = false;
};
