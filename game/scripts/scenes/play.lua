-- The game: one run down the cave, depth after depth, until the last heart is gone. The cave
-- and its creatures live in game/, the look of it all in scenes/play_view.lua; this scene turns
-- keys and clicks into steps, keeps the score and tells the player what happens.

local Autopilot = require "scripts.game.autopilot"
local Cave = require "scripts.game.cave"
local Creatures = require "scripts.game.creatures"
local Dialog = require "scripts.lib.dialog"
local HelpDialog = require "scripts.dialogs.help"
local Key = require "scripts.lib.keys"
local Log = require "scripts.lib.log"
local MessageBox = require "scripts.lib.message_box"
local OptionsDialog = require "scripts.dialogs.options"
local PlaySpeech = require "scripts.scenes.play_speech"
local PlayView = require "scripts.scenes.play_view"
local Scene = require "scripts.lib.scene"
local Scores = require "scripts.lib.scores"
local Sound = require "scripts.lib.sound"
local Speech = require "scripts.lib.speech"
local screen = require "scripts.lib.screen"

local PlayScene = {}

-- The title leads here and this scene back to it. Two files that require each other as they
-- load would never finish loading, so this one looks the title up when it goes there.
local function showTitle()
    Scene.show(require "scripts.scenes.title")
end

local STEP_TIME = 0.13
local AUTOPILOT_STEP_TIME = 0.18
-- How long a bite protects the player from the next one.
local HURT_TIME = 1.5
local START_HEARTS = 3
local DEPTH_BONUS = 25
local SECRET_WORD = "lantern"

local MOVES = {[Key.Left] = {-1, 0}, [Key.Right] = {1, 0}, [Key.Up] = {0, -1}, [Key.Down] = {0, 1}}

-- The run: the options it started with, name, hearts, score, depth, cheated and over; the cave
-- of this depth, its creatures, and the player with where they stand and how long the last
-- bite still protects them.
local game
-- The arrow key held down, and the time since the last step it made.
local heldKey
local stepTime = 0
-- The map cell a click sent the explorer to, {x, y}, while they walk there.
local target

local function say(text, color)
    Log.add(PlayView.log, text, color)
end

local function withArticle(name)
    return (name:match("^[aeiou]") and "an " or "a ") .. name
end

-- Sounds come from the side of the map where the player stands.
local function panAt(x)
    return (x - Cave.WIDTH / 2) / (Cave.WIDTH / 2)
end

local function startDepth(depth)
    game.depth = depth
    game.cave = Cave.new(depth)
    game.creatures = Creatures.spawn(game.cave, depth)
    game.player = {x = game.cave.start.x, y = game.cave.start.y, hurtTime = 0}
    Cave.light(game.cave, game.player.x, game.player.y)
    heldKey = nil
    target = nil
    say("Depth " .. depth .. ": " .. game.cave.gemsLeft .. " gems to find.", Color.Yellow)
    if not game.options.autopilot then
        PlaySpeech.startDepth(game, PlayView.tip(game))
    end
    screen.redraw()
end

-- A message box; or, in a game that plays itself, where nobody would dismiss one, a log entry.
local function announce(message)
    if game.options.autopilot then
        say(message.short, Color.Yellow)
        message.after()
    else
        MessageBox.show(message)
    end
end

local function endRun()
    game.over = true
    Sound.blip(0.4)
    say("Your lantern goes out.", Color.LightRed)
    if game.options.autopilot then
        if game.options.untilKey then
            showTitle()
        else
            Scene.show(PlayScene, game.options)
        end
        return
    end
    local place = Scores.add({name = game.name, score = game.score, depth = game.depth, cheated = game.cheated})
    local praise = place == 1 and " That is the best score so far!" or
                   place and " That makes place " .. place .. " of the best explorers." or ""
    MessageBox.show({
        text = "Game over, " .. game.name .. ". You reached depth " .. game.depth .. " with " ..
               game.score .. " points." .. praise,
        short = "Game over: " .. game.score .. " points.",
        after = showTitle,
    })
end

local function bite(creature)
    if game.player.hurtTime > 0 or game.over then
        return
    end
    game.hearts = game.hearts - 1
    game.player.hurtTime = HURT_TIME
    say("A " .. creature.kind.name .. " bites you!", Color.LightRed)
    Sound.blip(0.5, panAt(game.player.x))
    PlayView.drawStatus(game)
    if game.hearts == 0 then
        endRun()
    else
        PlaySpeech.sayHearts(game)
    end
end

local function pickUp(item)
    if item == Cave.HEART then
        game.hearts = math.min(game.hearts + 1, PlayView.MOST_HEARTS)
        say("A heart! You feel better.", Color.LightRed)
        PlaySpeech.sayHearts(game)
    else
        local points = item.value * game.depth
        game.score = game.score + points
        say("You find " .. withArticle(item.name) .. ": " .. points .. " points.", item.color)
        PlaySpeech.sayScore(game)
        if Cave.stairsOpen(game.cave) then
            say("The stairs ▼ are open!", Color.Yellow)
        end
    end
    -- Higher for better finds.
    Sound.blip(item == Cave.HEART and 2 or 1 + item.value / 50, panAt(game.player.x))
    PlayView.drawStatus(game)
end

local function clearDepth()
    local bonus = DEPTH_BONUS * game.depth
    game.score = game.score + bonus
    Sound.blip(2)
    announce({
        text = "Depth " .. game.depth .. " cleared, with a bonus of " .. bonus .. " points. " ..
               "The stairs lead deeper, and the cave grows darker...",
        short = "Depth " .. game.depth .. " cleared! +" .. bonus .. " points",
        after = function() startDepth(game.depth + 1) end,
    })
end

-- A game that plays itself says only its log.
local function noticeSight()
    if not game.options.autopilot then
        PlaySpeech.noticeSight(game)
    end
end

-- One step of the player, unless a wall is in the way. Returns whether the map changed.
local function step(move)
    local player, cave = game.player, game.cave
    local x, y = player.x + move[1], player.y + move[2]
    if Cave.isWall(cave, x, y) then
        PlaySpeech.bump()
        return false
    end
    PlaySpeech.stepped()
    player.x, player.y = x, y
    Cave.light(cave, x, y)
    local item = Cave.take(cave, x, y)
    if item then
        pickUp(item)
    end
    local creature = Creatures.at(game.creatures, x, y)
    if creature then
        bite(creature)
    end
    if Cave.isExit(cave, x, y) and Cave.stairsOpen(cave) and not game.over then
        clearDepth()
    elseif not game.over then
        noticeSight()
    end
    return true
end

-- Secret words and pauses

local function whisper(word)
    if word:lower() ~= SECRET_WORD then
        say("Nothing happens.", Color.LightGray)
        return
    end
    game.cave.allLit = true
    game.cheated = true
    say("The whole cave lights up!", Color.Yellow)
    Sound.blip(2.5)
    PlayView.drawMap(game)
end

local function askSecretWord()
    Dialog.prompt({title = "Secret word", question = "Whisper the word:", hidden = true,
                   maxLength = 16, onEnter = whisper})
end

local function pause()
    MessageBox.show({text = "Paused. Press Enter to go on.", short = "Game paused."})
end

local ACTIONS = {
    [Key.L] = function() PlaySpeech.look(game) end,
    [Key.I] = function() PlaySpeech.sayStatus(game) end,
    [Key.P] = pause,
    [Key.C] = askSecretWord,
    [Key.H] = HelpDialog.open,
    [Key.F1] = HelpDialog.open,
    [Key.O] = OptionsDialog.open,
    [Key.Escape] = showTitle,
}

-- The scene

-- options: name; autopilot to let the game play itself; untilKey to go back to the title on
-- any key.
function PlayScene.enter(options)
    game = {options = options, name = options.name, hearts = START_HEARTS, score = 0,
            cheated = false, over = false}
    Log.clear(PlayView.log)
    if options.untilKey then
        Speech.say("The game plays itself. Press any key to go back to the title.")
    end
    say("Welcome, " .. game.name .. ". Find every gem!", Color.White)
    startDepth(1)
end

function PlayScene.draw()
    PlayView.draw(game)
end

-- The step towards the target along the way it lies furthest, or else the other way; nil once
-- there, or when walls block both.
local function stepTowards(goal)
    local player, cave = game.player, game.cave
    local dx, dy = goal.x - player.x, goal.y - player.y
    local across = {dx > 0 and 1 or -1, 0}
    local along = {0, dy > 0 and 1 or -1}
    local first, second = across, along
    if math.abs(dy) > math.abs(dx) then
        first, second = along, across
    end
    for _, move in ipairs({first, second}) do
        local needed = move[1] ~= 0 and dx ~= 0 or move[2] ~= 0 and dy ~= 0
        if needed and not Cave.isWall(cave, player.x + move[1], player.y + move[2]) then
            return move
        end
    end
    return nil
end

-- One step towards the clicked target; it is forgotten once reached or blocked. Returns
-- whether the map changed.
local function walkToTarget()
    local move = stepTowards(target)
    if not move then
        target = nil
        return false
    end
    return step(move)
end

-- The autopilot steps at its own pace; an arrow key held down, or a clicked target, walks on,
-- one step every STEP_TIME. Returns whether the map changed.
local function walk(dt)
    stepTime = stepTime + dt
    if game.options.autopilot and stepTime >= AUTOPILOT_STEP_TIME then
        stepTime = 0
        local move = Autopilot.nextStep(game.cave, game.player, game.creatures)
        return move ~= nil and step(move)
    end
    if heldKey and stepTime >= STEP_TIME then
        stepTime = 0
        return step(MOVES[heldKey])
    end
    if target and stepTime >= STEP_TIME then
        stepTime = 0
        return walkToTarget()
    end
    return false
end

-- The cave stands still while a dialog is open and once the run is over, also when a step
-- has just ended it or opened a message box.
local function standingStill()
    return game.over or Dialog.isOpen()
end

function PlayScene.update(dt)
    if standingStill() then
        -- The release of a held key may have gone to the dialog.
        heldKey = nil
        target = nil
        return
    end
    PlaySpeech.advance(dt)
    local walked = walk(dt)
    if standingStill() then
        return
    end
    local moved, biter = Creatures.update(game.creatures, game.cave, game.player, dt)
    if biter then
        bite(biter)
    end
    if moved and not game.over then
        noticeSight()
    end
    local player = game.player
    local blinking = player.hurtTime > 0
    player.hurtTime = math.max(player.hurtTime - dt, 0)
    if (walked or moved or blinking) and not game.over then
        PlayView.drawMap(game)
    end
end

-- An arrow key steps at once, and again every STEP_TIME while held. The window system repeats
-- a held key's press; those repeats are ignored.
local function arrowKey(code, pressed)
    if not pressed then
        if heldKey == code then
            heldKey = nil
        end
        return
    end
    if heldKey ~= code then
        heldKey = code
        stepTime = 0
        if step(MOVES[code]) and not standingStill() then
            PlayView.drawMap(game)
        end
    end
end

function PlayScene.key(code, pressed, handled)
    if handled then
        return
    end
    target = nil
    if game.options.untilKey then
        if pressed then
            showTitle()
        end
        return
    end
    if MOVES[code] then
        if not game.options.autopilot and not game.over then
            arrowKey(code, pressed)
        end
        return
    end
    local action = ACTIONS[code]
    if pressed and action and not game.over then
        Sound.blip()
        action()
    end
end

-- A left click on the map walks the explorer there, a step at once and then one every STEP_TIME,
-- until a wall stands in the way; a click while the game plays itself goes back to the title.
function PlayScene.mouse(kind, column, row, button)
    if kind ~= "press" then
        return
    end
    if game.options.untilKey then
        showTitle()
        return
    end
    local x, y = PlayView.mapCellAt(column, row)
    if not x or button ~= MouseButton.Left or game.options.autopilot or game.over then
        return
    end
    target = {x = x, y = y}
    heldKey = nil
    stepTime = 0
    if walkToTarget() and not standingStill() then
        PlayView.drawMap(game)
    end
end

return PlayScene
