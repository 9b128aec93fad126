// Called by the extension with the action the program sent: its name
// ("read", "toggle", "previous", "next", "seek", "volume"), its argument
// ("position" in seconds, or "level" 0-100) and "expected", the song it is
// meant for. Answers a plain object that goes back to the program as it is.
function youTubePlayback(action) {
    const origin = 'https://music.youtube.com';
    if (location.origin !== origin)
        return { error: 'origin' };

    const bar = document.querySelector('ytmusic-player-bar');
    const video = document.querySelector('video');
    const session = (navigator.mediaSession && navigator.mediaSession.metadata) || null;
    const player = document.querySelector('#movie_player');
    let data = {};
    if (player && typeof player.getVideoData === 'function') {
        try {
            data = player.getVideoData() || {};
        } catch (e) {
            data = {};
        }
    }

    const videoParameter = (address) => {
        try {
            return new URL(address, origin).searchParams.get('v') || '';
        } catch (e) {
            return '';
        }
    };
    const link = player ? player.querySelector('a.ytp-title-link[href]') : null;
    const id = (link && videoParameter(link.getAttribute('href'))) || data.video_id ||
        videoParameter(location.href) || '';

    if (!video || !bar)
        return { error: 'empty' };
    if (action.expected !== undefined && id !== action.expected)
        return { error: 'trackChanged' };

    const click = (selector) => {
        const control = bar.querySelector(selector + ' button') || bar.querySelector(selector);
        if (!control)
            return false;
        control.click();
        return true;
    };
    switch (action.name) {
    case 'toggle':
        if (!click('#play-pause-button'))
            return { error: 'control' };
        break;
    case 'previous':
        if (!click('.previous-button'))
            return { error: 'control' };
        break;
    case 'next':
        if (!click('.next-button'))
            return { error: 'control' };
        break;
    case 'seek':
        if (!Number.isFinite(video.duration) || video.duration <= 0)
            return { error: 'duration' };
        video.currentTime = Math.min(Math.max(action.position, 0), video.duration);
        break;
    case 'volume':
        if (player && typeof player.setVolume === 'function') {
            player.setVolume(action.level);
            if (action.level > 0 && typeof player.unMute === 'function')
                player.unMute();
        } else {
            video.volume = action.level / 100;
            video.muted = false;
        }
        break;
    }

    const text = (selector) => {
        const element = bar.querySelector(selector);
        return element ? (element.textContent || '').trim() : '';
    };
    const cut = (value) => String(value === undefined || value === null ? '' : value).slice(0, 500);
    // The large player can lag behind the bar during a song change: take its
    // sharper cover only when both show the same image at different sizes.
    const base = (address) => address.replace(/=w\d+-h\d+.*$/, '');
    const smallImage = bar.querySelector('img');
    const small = smallImage ? smallImage.src || '' : '';
    const fullImage = document.querySelector('ytmusic-player img[src]');
    const full = fullImage ? fullImage.src || '' : '';
    let cover = small && full && base(small) === base(full) ? full : small;
    if (!cover && session && session.artwork && session.artwork.length > 0)
        cover = session.artwork[0].src || '';

    const channel = bar.querySelector('.byline a[href^="channel/"]');
    const artist = channel ? text('.byline a[href^="channel/"]') : text('.byline').split(' • ')[0];
    const album = text('.byline a[href^="browse/"]');

    return {
        title: cut((session && session.title) || data.title || text('.title')),
        artist: cut((session && session.artist) || data.author || artist),
        album: cut((session && session.album) || album),
        videoId: id,
        imageSrc: cover,
        isPaused: video.paused,
        songDuration: Number.isFinite(video.duration) ? video.duration : 0,
        elapsedSeconds: video.currentTime,
        volume: video.muted ? 0 : video.volume * 100,
    };
}
