-- AI difficulty weights.
AIWeights={easy={aggression=0.25,expand=.5,defend=1.00},
normal={aggression=0.50,expand=0.75,defend=0.90},
hard={aggression=0.90,expand=1.0,defend=0.60,cheat={vision=true,bonus=-0.10}}}

function PickWeights(level)
	local w = AIWeights[level]
	if not w then w=AIWeights.normal end
	return w
end
