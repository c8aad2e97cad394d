#pragma once

#include "platform/speech_vocabulary.h"
#include "voice/voice_ports.h"

namespace lumbex {

// The packaged US English model of the pocketsphinx-en-us package.
QString defaultSpeechModelFolder();

// An on-device recogniser over pocketsphinx: 16 kHz mono input, a worker thread of its own,
// each stretch of speech between pauses one segment (partial hypotheses while it lasts, then its
// final result). `vocabulary`, when given, adds the note's own words to the dictionary (with a
// spelled-out pronunciation for unknown ones) and mixes a small language model of its phrases
// into the large one, so that the note's names are recognised. Only "en-US" is available.
std::unique_ptr<LocalSpeech> makePocketsphinxSpeech(const QString& locale, bool fileInput,
                                                    LocalSpeech::Status status,
                                                    LocalSpeech::Transcript transcript,
                                                    const SpeechVocabulary& vocabulary = {},
                                                    const QString& modelFolder = {});

LocalSpeechFactory pocketsphinxSpeechFactory(SpeechVocabulary vocabulary = {},
                                             QString modelFolder = {});

} // namespace lumbex
