-- The key blip and the background music. The blip is decoded whole when it loads; the music is
-- an ".ogg" file, which the engine streams from disk while it plays.

local sounds = require("scripts.lib.engine").sounds

local Sound = {}

local BLIP_VOLUME = 0.6
local MUSIC_VOLUME = 0.5
local VOLUME_STEP = 0.1
local PAN_STEP = 0.25
local PAN_LIMIT = 1

local blip = sounds.load("data/sounds/blip.wav", BLIP_VOLUME)
local music = sounds.load("data/sounds/music.ogg")
local volumeBeforeMute = MUSIC_VOLUME

-- Sounds outlive Shift+R, which restarts only the scripts: music that already loops keeps
-- playing, at the volume and pan the player chose, instead of starting over.
if not sounds.getLoop(music) then
    sounds.setLoop(music, true)
    sounds.setVolume(music, MUSIC_VOLUME)
    sounds.play(music)
end

-- The blip, higher or lower (pitch 1 is as recorded) and from the left (-1) to the right (1).
-- Every change of place prints a line on the engine's output, so the place is set only when it
-- changes.
function Sound.blip(pitch, pan)
    sounds.setPitch(blip, pitch or 1)
    pan = pan or 0
    if sounds.getPan(blip) ~= pan then
        sounds.setPan(blip, pan)
    end
    sounds.play(blip)
end

-- From 0 to 1.
function Sound.volume()
    return sounds.getVolume(music) / 100
end

local function clamp(value, low, high)
    return math.max(low, math.min(high, value))
end

-- Steps are counted from whole tenths, so that repeated steps land on 0 and 1 exactly.
function Sound.changeVolume(step)
    local tenths = math.floor(Sound.volume() / VOLUME_STEP + 0.5) + step
    sounds.setVolume(music, clamp(tenths * VOLUME_STEP, 0, 1))
end

function Sound.toggleMute()
    if Sound.volume() > 0 then
        volumeBeforeMute = Sound.volume()
        sounds.setVolume(music, 0)
    else
        sounds.setVolume(music, volumeBeforeMute)
    end
end

-- From -1 (left) to 1 (right).
function Sound.pan()
    return sounds.getPan(music)
end

function Sound.changePan(step)
    sounds.setPan(music, clamp(Sound.pan() + step * PAN_STEP, -PAN_LIMIT, PAN_LIMIT))
end

function Sound.settings()
    return {volume = Sound.volume(), pan = Sound.pan()}
end

-- Kept settings come from a file: a value that is no number is left as it is, one out of range
-- is brought into it. The pan is set only when it changes, as setting it prints a line.
function Sound.restore(kept)
    local function isNumber(value)
        return type(value) == "number" and value == value
    end
    if isNumber(kept.volume) then
        sounds.setVolume(music, clamp(kept.volume, 0, 1))
    end
    if isNumber(kept.pan) and clamp(kept.pan, -PAN_LIMIT, PAN_LIMIT) ~= Sound.pan() then
        sounds.setPan(music, clamp(kept.pan, -PAN_LIMIT, PAN_LIMIT))
    end
end

-- "■■■■■□□□□□" for half volume.
function Sound.volumeBar()
    local tenths = math.floor(Sound.volume() * 10 + 0.5)
    return string.rep("■", tenths) .. string.rep("□", 10 - tenths)
end

-- The volume and the pan in words, for speech.
function Sound.volumeWords()
    return math.floor(Sound.volume() * 10 + 0.5) .. " of 10"
end

function Sound.panWords()
    local pan = math.floor(Sound.pan() * 100 + 0.5)
    return pan == 0 and "middle" or math.abs(pan) .. " percent " .. (pan < 0 and "left" or "right")
end

-- "L ───●──── R": where the music stands between the speakers.
function Sound.panBar()
    local steps = math.floor(2 * PAN_LIMIT / PAN_STEP + 0.5)
    local at = math.floor((Sound.pan() + PAN_LIMIT) / PAN_STEP + 0.5)
    return "L " .. string.rep("─", at) .. "●" .. string.rep("─", steps - at) .. " R"
end

return Sound
