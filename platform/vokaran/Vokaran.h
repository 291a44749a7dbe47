/* The karaoke engine: song playback from memory, lyrics and melody data, recording and
 * mixing. C exports; see docs/engine.md for the calling conventions and result codes.
 *
 * Threads: every function is meant for the GUI thread (calls are serialised by the engine,
 * so any one thread at a time is safe). Callbacks run on the engine's event thread and must
 * only hand their news over (post an event); they may call the getters of this header.
 * Nothing here blocks on audio: the longest calls are VokaOpenW (loads the SoundFont) and
 * StopRecording (writes the last few milliseconds of the recording). */
#ifndef VOKARAN_VOKARAN_H
#define VOKARAN_VOKARAN_H

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
typedef char16_t VokaChar16;
extern "C" {
#else
typedef uint_least16_t VokaChar16;
#endif

/* Result codes: 0 or a positive value is success; failures are negative. */
enum {
    VOKA_OK = 0,
    VOKA_ERR_NOT_OPEN = -1,      /* VokaOpenW has not succeeded */
    VOKA_ERR_NO_SONG = -2,       /* no song opened (getters) or loaded (playback) */
    VOKA_ERR_BAD_ARGUMENT = -3,  /* null pointer, value out of range */
    VOKA_ERR_BAD_SONG = -4,      /* truncated, oversized, malformed song file or MIDI */
    VOKA_ERR_CHECKSUM = -5,      /* the song file's checksum does not match */
    VOKA_ERR_IO = -6,            /* a file could not be read or written */
    VOKA_ERR_BUSY = -7,          /* a mix is already running */
    VOKA_ERR_STATE = -8,         /* the call does not fit the current state */
    VOKA_ERR_DATA_FILE = -9,     /* the engine data file is missing or invalid */
    VOKA_ERR_NOT_SUPPORTED = -10,
    VOKA_ERR_DEVICE = -11,       /* the audio device settings are invalid */
    /* VokaMeasureMicDelay: no delay measured, for the reason given */
    VOKA_ERR_DELAY_SILENT = -12, /* nothing came back through the microphone (headphones) */
    VOKA_ERR_DELAY_CLIPPED = -13,/* the microphone overloaded */
    VOKA_ERR_DELAY_UNCLEAR = -14 /* sound came back, but no clear echo of the test signal */
};

/* Engine time: 1/1024 ms, 1,024,000 per second. */
#define VOKA_TICKS_PER_SECOND 1024000

/* Records of the lyrics and melody getters. Little-endian 32-bit integers; texts are
 * zero-terminated UTF-16. The arrays belong to the engine and stay valid until the next
 * song is opened (VokaOpenLyricsFromBuffer, or VokaPlayFromBuffer with another song) or
 * VokaClose. */
typedef struct VokaLyricLine {      /* 396 bytes */
    uint8_t reserved[128];
    VokaChar16 text[126];
    int32_t chorus;                 /* nonzero: a chorus line */
    int32_t row;                    /* 1 first display row, 2 second row */
    int32_t begin;                  /* engine time */
    int32_t end;
} VokaLyricLine;

typedef struct VokaLyricWord {      /* 112 bytes */
    int32_t reserved0;
    int32_t begin;
    int32_t end;
    int32_t line;                   /* index of the line within the same part */
    uint8_t reserved[32];
    VokaChar16 text[32];
} VokaLyricWord;

typedef struct VokaPhonetic {       /* 100 bytes, one per word record, same order */
    uint8_t reserved[32];
    VokaChar16 text[32];            /* pinyin of the word */
    int32_t charPos;                /* position of the word in its line's text */
} VokaPhonetic;

typedef struct VokaCountIn {        /* 12 bytes */
    int32_t end;                    /* engine time at which the count-in ends */
    int32_t beats;
    int32_t reserved;
} VokaCountIn;

typedef struct VokaMelodyNote {     /* 88 bytes */
    int32_t begin;
    int32_t end;
    int32_t note;                   /* MIDI note number, before any key change */
    int32_t extra[4];               /* word index, line index, velocity, flags (bit 0: starts a word) */
    uint8_t reserved[60];
} VokaMelodyNote;

typedef void (*VokaCallback)(void);

/* Opens the engine with its data file (PKData/RadeZuz76e.sdc): loads the SoundFont and
 * starts the audio device chosen by VOKARAN_AUDIO. 0 on success, negative on failure.
 * Opening again closes the previous engine first. */
int VokaOpenW(const wchar_t* dataFilePath);
/* Stops playback, recording and mixing and frees everything. */
int VokaClose(void);

/* Song-end callback: called when a song reaches its end and after VokaStop. Null clears. */
int VokaSetCBFun(VokaCallback callback);
/* Called when a mix into a file or a live mix playback has finished. Null clears. */
int VokaSetMixCBFun(VokaCallback callback);

/* Song files in memory. `length` in bytes. */
int VokaMicCheckSumTestFromBuffer(const void* data, long long length); /* 0 = intact */
int VokaOpenLyricsFromBuffer(const void* data, long long length);
int VokaPlayFromBuffer(const void* data, long long length);

int VokaGetPlayState(void);   /* 0 stopped, 1 playing, 2 paused */
int VokaPauseStop(void);      /* pause */
int VokaPausePlay(void);      /* resume */
int VokaStop(void);
int VokaGetMidiTime(void);    /* engine time of the audio played; 0 when stopped */
int VokaGetTotalTime(void);   /* seconds of the opened song, rounded up */

int VokaSetKey(int semitones);        /* -6..6; drums stay */
int VokaSetTempo(int tempo);          /* 64..136; 100 = the song's tempo */
int VokaSetVolume(int volume);        /* 0..200 percent of the accompaniment; 100 as rendered */
int MidiSetMelodyVolume(int volume);  /* 0..127; 0 = guide melody off */
int MidiGetMelodyVolume(void);

/* Lyrics and melody getters. Each returns the number of records (>= 0) and sets the
 * out-pointers, or a negative code. `format` must be 1 (records with UTF-16 texts). */
int sGetMidiLyrics(const VokaLyricLine** lines, int* count, int format);       /* part 1 */
int sGetMidiLyrics2(const VokaLyricLine** lines, int* count, int format);      /* part 2 */
int sGetMidiLyricsScan(const VokaLyricWord** words, int* count, int format);   /* part 1 */
int sGetMidiLyricsScan2(const VokaLyricWord** words, int* count, int format);  /* part 2 */
/* One phonetic array per part, as long as that part's word array. Returns 0. */
int sGetMidiLyricsPS(const VokaPhonetic** part1, const VokaPhonetic** part2);
int sGetPlayCount(const VokaCountIn** countIns, int* count);
int sGetPlayCount2(const VokaCountIn** countIns, int* count);
int sGetMelodyNotes(int part, const VokaMelodyNote** notes, int* count);     /* part 1 or 2 */
int GetMelodyType1(void);   /* voice type of part 1: 1 male, 2 female, 3 chorus; 0 no part */
int GetMelodyType2(void);
/* -1 / 1: lowest / highest note of part 1; -2 / 2: of part 2. Negative when the part has
 * no notes (or no song is open). */
int GetMidiTopNote(int which);

/* Recording: raw PCM, signed 16-bit little-endian at the data file's sample rate (44100 Hz
 * by default); the voice as captured, mono; the music as played, stereo interleaved. Only
 * blocks in which a song plays are recorded. */
int SetRecNames(const wchar_t* voicePath, const wchar_t* musicPath);
int StartRecording(void);     /* creates (truncates) both files */
int StopRecording(void);      /* the files are complete when it returns; VOKA_ERR_IO when a write failed */
/* Resumes recording into the files named by SetRecNames: 0 appends to them (after a
 * pause), nonzero starts them afresh like StartRecording. */
int VokaSetRecording(int restart);
/* Seconds of a recording (the longer file, to the nearest second, at least 1 when anything
 * was recorded); 0 when both are empty, negative when neither exists. */
int GetRecMixPlayTotalTimeW(const wchar_t* voicePath, const wchar_t* musicPath);

/* Mixing: stereo, voice over music with the gains and mic delay set below. */
/* Returns at once; a mix that cannot be written completely removes its WAV file. */
int RecMixSaveW(const wchar_t* voicePath, const wchar_t* musicPath, const wchar_t* wavPath);
int RecMixPlay(void);           /* live mix of the SetRecNames files through the output */
int RecMixPause(int pause);     /* 1 pause, 0 resume */
int RecMixStop(void);            /* ends live playback and a running RecMixSaveW (its WAV removed) */
int GetRecMixPlayTime(void);    /* seconds mixed (file) or played (live) */
int GetRecMixState(void);       /* 0 idle, 1 mixing to a file, 2 live playing, 3 live paused */
/* Moves the live mix, playing or paused, to this many milliseconds from its start (past the
 * end: to the end; a mix that had finished plays again from there). Returns at once; the
 * sound follows within a block. VOKA_ERR_STATE without a live mix. */
int RecMixSeek(int milliseconds);
/* Milliseconds of the live mix heard: between two of the engine's blocks it moves on with the
 * clock, not by a block at a time. During a seek, the position asked for. 0 without a mix. */
int GetRecMixPlayPosMs(void);
int SetMixVoiceGain(int percent);   /* 0..400, 100 = as recorded */
int SetMixMusicGain(int percent);   /* 0..400 */
int SetMixMicDelay(int milliseconds); /* 0..2000: the voice is moved this much earlier */

/* Audio devices of the kind chosen by VOKARAN_AUDIO, in the system's order (capture: 0 output,
 * 1 input). The name is copied zero-terminated, cut to `capacity` characters; the result is
 * its length. Needs no VokaOpenW. */
int VokaGetAudioDeviceCount(int capture);
int VokaGetAudioDeviceName(int capture, int index, wchar_t* name, int capacity);
/* Chooses the output / input device by index (-1: the system's default) and reopens it; the
 * choice is kept across VokaOpenW. VOKA_ERR_DEVICE when it cannot be opened (the engine then
 * goes on without a sound card, as after a loss). */
int VokaSetAudioID(int index);
int VokaSetAudioInID(int index);
/* 1: a device was lost: the engine stops using the devices and keeps time without them
 * (songs play on to their end, recordings get silence). 0: reopens the chosen devices.
 * The engine also notices a device that stops on its own and goes on the same way. */
int VokaSetDeviceError(int lost);

/* Monitoring: the microphone through the output with echo and room (never in the recording).
 * Changes glide, so nothing clicks while singing. */
int MicOut_Play(void);
int MicOut_Stop(void);
int MicSetVolume(int volume);      /* 0..128: monitoring level, 128 = as captured; default 115 */
/* Room modes: 0 dry, 1 studio, 5 concert, 6 KTV (default), 7 user. The fixed rooms have their
 * own echo; in the user room the echo follows the two calls below. */
int MicSetRoomMode(int mode);
/* Echo depth (how long it goes on) and level (how loud), 0..127, or -1 to keep the value.
 * Each returns the value in effect: in a fixed room, the room's own. */
int MicSetEchoDeep(int depth);
int MicSetEchoLevel(int level);

/* The microphone's delay behind the output (docs/mic-delay.md). VokaMeasureMicDelay plays a
 * test signal (0.4 s of noise at about -14 dBFS) through the output over whatever plays,
 * records the microphone and finds the round trip by cross-correlation; it returns the delay
 * in milliseconds (0..1000) or a negative code (VOKA_ERR_DELAY_*, VOKA_ERR_BUSY while another
 * measurement runs, VOKA_ERR_DEVICE when the device stood still). It blocks for about 1.5 s
 * but holds the engine's lock only to start and to finish: call it from a worker thread. The
 * test signal is not recorded into the music recording; the monitored voice pauses meanwhile.
 * VokaSetMicDelay (0..2000 ms, kept across VokaOpenW) tells the contest scoring how far the
 * microphone lags the output the singer hears; it is taken when a song starts. */
int VokaMeasureMicDelay(void);
int VokaSetMicDelay(int milliseconds);
int VokaGetMicDelay(void);

/* Microphone analysis and contest scoring (docs/scoring.md). The callbacks run on the
 * engine's analysis thread, never holding the engine's lock: they may call the getters. */
int MicIn_Start(void);          /* analyse the microphone; 1 when there is none (silence is analysed) */
int MicIn_Stop(void);
/* The sung note as a MIDI note number (60 = C4, as sung: not transposed by the key), or 0 when
 * there is no voice (nothing sung for 35 ms, or the microphone analysis is off). */
int VokaGetCurMicNote(void);
/* How far the pitch analysis lags the microphone (half an analysis frame), in engine time;
 * scoring compensates it. */
int VokaGetPitchDelay(void);
int VokaSetPKMode(int on);      /* 1: contest scoring (scores start from 0), 0: off (scores stay readable) */
int VokaSetEvaluating(int on);  /* 1: the voice is being scored, 0: not (words meanwhile are skipped) */
int VokaSetPK_WordEnd_CBFun(VokaCallback callback);  /* after each scored word; null clears */
int VokaSetPK_LineEnd_CBFun(VokaCallback callback);  /* after each line, following its last word */
int VokaSetPK_MIC_CBFun(VokaCallback callback);      /* after each microphone analysis step (11.6 ms) */
/* Scores 0..100: the last word, the last line, running totals. 0 before anything was scored. */
int VokaPKGetPitchWordScore(void);
int VokaPKGetTempoWordScore(void);     /* rhythm */
int VokaPKGetPitchLineScore(void);
int VokaPKGetTempoLineScore(void);
int VokaPKGetEmotionLineScore(void);   /* expression of the last line */
int VokaPKGetEmotionScore(void);       /* running expression: mean of the lines so far */
int VokaPKGetTotalScore(void);
int VokaPKGetWordCount(void);          /* words scored */

/* Key fitting (docs/scoring.md). Both return a key shift of -6..6, never an error code:
 * a level outside 1..5, a type other than 0/1 or no open song give 0 (said on stderr).
 * VokaSetSingerLevel: the shift that fits the open song to a singer of tone level 1 (low) ..
 * 5 (high); sex 1 male, 0 female, other: the song's voice type. The caller applies it
 * (VokaSetKey); a shift fitted by VokaSetSingerType is dropped.
 * VokaSetSingerType: fits and applies the key for a male (1) or female (0) voice, on top of
 * VokaSetKey, until the song ends or is stopped or another song is opened. */
int VokaSetSingerLevel(int level, int sex);
int VokaSetSingerType(int male);

#ifdef __cplusplus
}
#endif
#endif
