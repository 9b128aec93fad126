// Called by the extension in the page's own world, where Apple Music's
// MusicKit player lives, with the action the program sent: its name
// ("read", "toggle", "previous", "next", "seek", "volume"), its argument
// ("position" in seconds, or "level" 0-100) and "expected", the song it is
// meant for. Without MusicKit it falls back to the page's media session and
// media element. Answers a plain object, which the extension checks before
// it goes back to the program: the page could have shaped anything here.
function appleMusicPlayback(action) {
    if (location.origin !== 'https://music.apple.com')
        return { error: 'origin' };

    // A half-loaded or odd page may throw anywhere: that reads as missing.
    const read = (get, fallback) => {
        try {
            const value = get();
            return value === undefined || value === null ? fallback : value;
        } catch (e) {
            return fallback;
        }
    };
    const number = (value) => (typeof value === 'number' && Number.isFinite(value) ? value : undefined);
    const player = read(() => (typeof MusicKit.getInstance === 'function' ? MusicKit.getInstance() : null), null);
    const item = player ? read(() => player.nowPlayingItem, null) : null;
    const attributes = item ? read(() => item.attributes, {}) : {};
    const media = read(() => document.querySelector('audio, video'), null);
    const session = read(() => navigator.mediaSession.metadata, null);
    if (!player && !media && !session)
        return { error: 'empty' };

    // Text, even from a value whose conversion throws; none when it does.
    const text = (get) => {
        try {
            return String(read(get, ''));
        } catch (e) {
            return '';
        }
    };
    const cut = (first, second) => (text(first) || text(second)).slice(0, 500);
    const title = cut(() => attributes.name, () => session.title);
    const artist = cut(() => attributes.artistName, () => session.artist);
    const album = cut(() => attributes.albumName, () => session.album);
    // MusicKit names its songs; a page without it gets a name made from the
    // song's details, so commands still say which song they are meant for.
    let id = item ? text(() => item.id) : '';
    if (!id && title) {
        let hash = 2166136261;
        for (const c of title + '\n' + artist + '\n' + album)
            hash = Math.imul(hash ^ c.codePointAt(0), 16777619) >>> 0;
        id = 'page-' + hash.toString(16);
    }
    if (action.expected !== undefined && id !== action.expected)
        return { error: 'trackChanged' };

    const playingState = read(() => MusicKit.PlaybackStates.playing, 2);
    const isPlaying = () => {
        if (player) {
            const flag = read(() => player.isPlaying, undefined);
            return typeof flag === 'boolean' ? flag : read(() => player.playbackState, 0) === playingState;
        }
        return media ? !media.paused : false;
    };
    const duration = () => {
        const fromItem = number(read(() => attributes.durationInMillis, undefined));
        if (fromItem !== undefined)
            return fromItem / 1000;
        return number(read(() => (player ? player.currentPlaybackDuration : media.duration), 0)) || 0;
    };
    // A command that throws, or whose promise is refused, changes nothing.
    const perform = (command) => {
        try {
            const result = command();
            if (result && typeof result.catch === 'function')
                result.catch(() => {});
            return true;
        } catch (e) {
            return false;
        }
    };
    let done = true;
    switch (action.name) {
    case 'toggle':
        if (player)
            done = perform(() => (isPlaying() ? player.pause() : player.play()));
        else
            done = !!media && perform(() => (media.paused ? media.play() : media.pause()));
        break;
    case 'previous':
        done = !!player && perform(() => player.skipToPreviousItem());
        break;
    case 'next':
        done = !!player && perform(() => player.skipToNextItem());
        break;
    case 'seek': {
        const length = duration();
        if (!(length > 0))
            return { error: 'duration' };
        const position = Math.min(Math.max(action.position, 0), length);
        if (player)
            done = perform(() => player.seekToTime(position));
        else
            done = !!media && perform(() => { media.currentTime = position; });
        break;
    }
    case 'volume':
        if (player)
            done = perform(() => { player.volume = action.level / 100; });
        else
            done = !!media && perform(() => { media.volume = action.level / 100; media.muted = false; });
        break;
    }
    if (!done)
        return { error: 'control' };

    const cover = text(() => attributes.artwork.url) || text(() => session.artwork[0].src);
    const volume = player ? number(read(() => player.volume, undefined))
        : media ? (media.muted ? 0 : media.volume) : undefined;
    const position = number(read(() => (player ? player.currentPlaybackTime : media.currentTime), 0));
    return {
        title,
        artist,
        album,
        songId: id,
        imageSrc: cover,
        isPaused: !isPlaying(),
        songDuration: duration(),
        elapsedSeconds: position || 0,
        volume: volume === undefined ? undefined : volume * 100,
    };
}
