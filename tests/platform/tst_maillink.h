#pragma once

#include <QObject>

class MailLinkTest : public QObject {
    Q_OBJECT
private slots:
    void encodesEachPartOnItsOwn();
    void sendsLineEndsAsCrLf();
    void leavesOutEmptyParts();
    void refusesAddressesThatWouldAddFields_data();
    void refusesAddressesThatWouldAddFields();
    void opensThroughTheDesktopAndSaysWhetherItDid();
    void logsAnUnansweredLinkWithoutItsContent();
};
