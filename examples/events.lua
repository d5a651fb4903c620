--[[ Timed events of the campaign's second mission. ]]
Events = {}
Events[1] = { time=60, text="Reinforcements arrive in 2:00", once=1 }
Events[2] = { time=180.0, text='Scouts report "movement" to the north', once=1 }

function Events:Run(now)
  local i = 1
  while Events[i] do
    local e=Events[i]
    if e.time<=now and e.once==1 then ShowText(e.text); e.once=0 end
    i=i+1
  end
end
