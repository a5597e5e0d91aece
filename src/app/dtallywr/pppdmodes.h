#pragma once

#include "log/pppddelivery.h"
#include "platform/places.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <csignal>
#include <memory>

namespace dialtally {

// The ways the companion logger takes pppd's connections besides following a file: a run over
// whole files, standard input, and the ip-down hook. Each returns the exit status.

void PrintProblem(const QString& message);

// The wording of the adapter lines: the dialect of the places and the language; false with a
// message for a system whose adapter the update does not read.
bool PppdWording(const Places& places, AdapterLanguage language, AdapterWording& wording);

// The translator that the logger following a file uses.
std::unique_ptr<SourceTranslator> MakePppdTranslator(const AdapterWording& wording);

// Reads the sources ("-" standard input) to their end, delivers every complete connection and
// prints what it did.
int RunPppdOnce(const QStringList& sources, const Places& places, const AdapterWording& wording);

// Follows standard input until it ends or closeRequested is set.
int FollowPppdStandardInput(const Places& places, const AdapterWording& wording,
                            const volatile std::sig_atomic_t& closeRequested);

// "up" or "down", run from pppd's ip-up.d and ip-down.d with pppd's environment.
int RunPppHook(const QString& phase, const QProcessEnvironment& environment, const Places& places,
               const AdapterWording& wording);

} // namespace dialtally
