-- SPDX-License-Identifier: GPL-3.0-or-later
-- A Lua DSP processor for the Ardour host checks: silence on both channels except one
-- full-scale sample at transport sample "At" while the transport rolls (exporting rolls it too).
-- Ardour loads it by name from $XDG_CONFIG_HOME/ardour7/scripts/, where the checks copy it.
-- While Ardour runs the processors, the transport position is that of the cycle's first sample,
-- so the click is made at exactly the transport sample asked for.
ardour {
	["type"]    = "dsp",
	name        = "Ryvel Check Click",
	category    = "Utility",
	license     = "GPL-3.0-or-later",
	author      = "Corvane Audio",
	description = [[One full-scale click at a given transport sample; silence everywhere else.]]
}

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

function dsp_params ()
	return { { ["type"] = "input", name = "At", min = 0, max = 100000000, default = 24000, integer = true } }
end

function dsp_run (ins, outs, n_samples)
	for c = 1, #outs do
		ARDOUR.DSP.memset (outs[c], 0, n_samples)
	end
	if not Session:transport_rolling () then
		return
	end
	local at = CtrlPorts:array ()[1]
	local start = Session:transport_sample ()
	if at >= start and at < start + n_samples then
		for c = 1, #outs do
			outs[c]:array ()[at - start + 1] = 1.0
		end
	end
end
