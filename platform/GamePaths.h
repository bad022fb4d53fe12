// GamePaths: where the game reads its files and keeps the player's, portable or installed.
#pragma once

#include <functional>
#include <string>
#include <vector>

// A folder songs are listed from.
struct SongFolder
{
    std::string path;     ///< the folder
    std::string label;    ///< shown before its songs' names ("Keyrise/a.mid"); empty: none
    bool writable = true; ///< score files go next to the songs; otherwise below ScoreFolder
};

// The two ways the game runs, decided once at start:
// - portable: everything (pictures, sounds, font, catalogues, songs in "data", "config", the
//   index and score files) is read and written relative to the working directory, which holds
//   the game's files, exactly as when the game is played from its clone;
// - installed: pictures, sounds, the font and the bundled songs come from the install prefix's
//   share/games/keyrise, catalogues from share/locale; settings live in
//   $XDG_CONFIG_HOME/keyrise, the index, the player's songs and the score files of songs in
//   read-only folders in $XDG_DATA_HOME/keyrise (the XDG base directory defaults when unset).
// A default-made GamePaths is portable, so code and tests that never choose stay as they were.
class GamePaths
{
public:
    // Reads an environment variable; null when unset (getenv in the game, a table in tests).
    using Environment = std::function<const char *(const char *name)>;
    // The player's home folder from the user database; empty when it has none.
    using HomeLookup = std::function<std::string()>;

    // Portable, relative to the working directory.
    GamePaths() = default;
    // Installed below 'shareFolder' (the prefix's share/), the player's folders from 'env'.
    // Without an absolute HOME the home folder is the user database's ('passwdHome'); when
    // that has none either, CreateFolders refuses to start.
    static GamePaths Installed(const std::string &shareFolder, const Environment &env,
                               const HomeLookup &passwdHome = PasswdHome);
    // The home folder of the user running the game, from the user database (getpwuid_r);
    // empty when there is no entry or it names no absolute folder.
    static std::string PasswdHome();
    // The share/ folder of the installed game when 'program' (the executable's path) is
    // <prefix>/games/keyrise or <prefix>/bin/keyrise with <prefix>/share/games/keyrise/image
    // beside it; empty otherwise.
    static std::string ShareFolderOf(const std::string &program);

    bool IsPortable() const { return share.empty(); }

    // The file whose presence makes a folder portable: a game started there plays in it
    // (scripts/play.sh puts one in run/). A folder that merely looks like the game's (an
    // image/ folder) is not enough, so an installed game started anywhere stays installed.
    static const char *const kPortableMarker; // "keyrise-portable"
    // True when 'folder' holds kPortableMarker (a file, or a link to one).
    static bool IsPortableFolder(const std::string &folder);

    std::string ConfigFile() const;    ///< "config"
    std::string SongIndexFile() const; ///< "songindex"
    std::string ImageFolder() const;   ///< "image"
    std::string SoundFolder() const;   ///< "wav"
    // The font: image/rune-P.ttf; installed, the system's VL PGothic when none is shipped.
    std::string FontFile() const;
    // Folders with message catalogues tried before the standard ones; empty when portable.
    std::vector<std::string> LocaleFolders() const;
    // The player's own song folder ("data").
    std::string PlayerSongFolder() const;
    // Score files of songs in read-only folders, below it by the song's listed name.
    std::string ScoreFolder() const;
    // The player's last games, one replay file each ("replays").
    std::string ReplayFolder() const;
    // The folders songs are listed from: the player's first, then the bundled songs
    // (installed), then every added folder in the order given.
    std::vector<SongFolder> SongFolders() const;
    // Folders the game saves into (stale temporaries are removed at start).
    std::vector<std::string> SavingFolders() const;

    // 'path' as the player reads it: "~/..." for a path below the home folder.
    std::string ShownPath(const std::string &path) const;

    // Adds a song folder (--songs); its songs are listed after the others.
    void AddSongFolder(const std::string &folder);
    // Creates the player's folders (installed). False with 'problem' set when one cannot be.
    bool CreateFolders(std::string &problem) const;
    // Creates 'path' and its missing parents, new ones private to the player (0700). False
    // with 'problem' set when one cannot be made.
    static bool MakeFolders(const std::string &path, std::string &problem);
    static bool IsFolder(const std::string &path);

private:
    std::string GameData() const { return share + "/games/keyrise"; }

    std::string share;              ///< <prefix>/share; empty when portable
    std::string configDir;          ///< $XDG_CONFIG_HOME/keyrise
    std::string dataDir;            ///< $XDG_DATA_HOME/keyrise
    std::string home;               ///< $HOME, else the user database's; empty: none known
    std::vector<std::string> added; ///< --songs folders
};

// The paths the game runs with, chosen at start (portable until then).
const GamePaths &Paths();
void SetPaths(const GamePaths &paths);
