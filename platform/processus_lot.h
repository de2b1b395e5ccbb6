#pragma once
// One confined picture program in its batch mode (image/lot.h), seen from the window's
// side: started when first needed, handed one open picture file at a time, started again
// after a crash, killed when a picture takes too long. Used by one thread at a time.

#include <sys/types.h>

#include <QHash>
#include <QImage>
#include <QString>
#include <chrono>
#include <string>

class ProcessusLot {
public:
    // programme: the path of brevandoux-image or brevandoux-heif; empty when not found, then
    // every picture is refused saying so.
    explicit ProcessusLot(std::string programme, std::chrono::milliseconds delai = std::chrono::seconds(10));
    ~ProcessusLot();
    ProcessusLot(const ProcessusLot&) = delete;
    ProcessusLot& operator=(const ProcessusLot&) = delete;

    struct Reponse {
        enum Etat {
            Dessinee,  // image and textes hold the picture
            Refusee,   // the picture cannot be drawn (the program said why, or died on it)
            Perdue,    // the program could not be started or ran out of time
            Interrompue,  // arret asked to stop
        } etat = Perdue;
        QImage image;
        QHash<QString, QString> textes;
        QString raison;  // French, for Refusee and Perdue
    };

    // Draws the picture open for reading on fd (the caller keeps and closes it), in the
    // format named by its extension (lower case), fitted in a box of cote pixels. arret, when
    // not -1, is a descriptor that becomes readable when the work must stop at once.
    Reponse dessiner(int fd, const std::string& format, int cote, int arret = -1);

    // The process of the program while it runs (0 otherwise), for the tests.
    pid_t processus() const { return pid_; }

private:
    bool demarrer(QString& raison);
    void arreter();

    std::string programme_;
    std::chrono::milliseconds delai_;
    pid_t pid_ = 0;
    int socket_ = -1;
};
